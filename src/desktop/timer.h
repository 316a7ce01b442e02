#pragma once

#include <sigc++/connection.h>
#include <sigc++/signal.h>

namespace kv {

// A window's timer control: ticks every `interval` milliseconds while enabled and stops
// for good when its window (its owner) is destroyed.
class Timer {
 public:
  explicit Timer(unsigned interval_ms, bool enabled = true);
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  Timer(Timer&&) = delete;
  Timer& operator=(Timer&&) = delete;
  ~Timer();

  void set_enabled(bool enabled);
  [[nodiscard]] bool enabled() const { return connection_.connected(); }
  [[nodiscard]] unsigned interval() const { return interval_ms_; }

  // Runs the tick handlers now, as the elapsed interval would.
  void tick() { signal_tick.emit(); }

  sigc::signal<void()> signal_tick;

 private:
  unsigned interval_ms_;
  sigc::connection connection_;
};

}  // namespace kv
