#include "desktop/timer.h"

#include <glibmm/main.h>

namespace kv {

Timer::Timer(unsigned interval_ms, bool enabled) : interval_ms_(interval_ms) {
  set_enabled(enabled);
}

Timer::~Timer() {
  connection_.disconnect();
}

void Timer::set_enabled(bool enabled) {
  if (enabled == connection_.connected()) return;
  if (!enabled) {
    connection_.disconnect();
    return;
  }
  connection_ = Glib::signal_timeout().connect(
      [this] {
        tick();
        return true;
      },
      interval_ms_);
}

}  // namespace kv
