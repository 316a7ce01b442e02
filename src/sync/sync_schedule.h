#pragma once

#include <sigc++/connection.h>

#include <chrono>
#include <functional>
#include <optional>

#include "sync/sync_job.h"

namespace kv {

// When the program syncs in the background: shortly after it starts, within 5 seconds of
// a change to the favourites, every 15 minutes, and after a fault that may pass again
// later and later (30 s, 1, 2, 4 ... up to 15 minutes). Nothing while a question waits.
class SyncSchedule {
 public:
  static constexpr std::chrono::seconds kAtStart{3};
  static constexpr std::chrono::seconds kAfterChange{2};
  static constexpr std::chrono::minutes kEvery{15};

  // `due` runs on the main loop when a sync is due.
  explicit SyncSchedule(std::function<void()> due);
  ~SyncSchedule();
  SyncSchedule(const SyncSchedule&) = delete;
  SyncSchedule& operator=(const SyncSchedule&) = delete;
  SyncSchedule(SyncSchedule&&) = delete;
  SyncSchedule& operator=(SyncSchedule&&) = delete;

  void program_started();
  void favorites_changed();
  // After a sync: the next one.
  void synced(const SyncOutcome& outcome);
  void hold();
  void release();

  // When the next sync is due after `outcome`, the `failures`th fault in a row.
  static std::chrono::seconds next_after(const SyncOutcome& outcome, int failures);
  // When the next sync is due; nothing while none is.
  [[nodiscard]] std::optional<std::chrono::steady_clock::time_point> due_at() const {
    if (!timer_.connected()) return std::nullopt;
    return due_at_;
  }

 private:
  void due_in(std::chrono::milliseconds delay, bool sooner_only);

  std::function<void()> due_;
  sigc::connection timer_;
  std::chrono::steady_clock::time_point due_at_;
  int failures_ = 0;
  bool held_ = false;
};

}  // namespace kv
