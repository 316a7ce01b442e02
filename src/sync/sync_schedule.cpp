#include "sync/sync_schedule.h"

#include <glibmm/main.h>

#include <algorithm>

#include "desktop/guarded.h"

namespace kv {

SyncSchedule::SyncSchedule(std::function<void()> due) : due_(std::move(due)) {}

SyncSchedule::~SyncSchedule() {
  timer_.disconnect();
}

std::chrono::seconds SyncSchedule::next_after(const SyncOutcome& outcome, int failures) {
  using Kind = SyncOutcome::Kind;
  if (outcome.kind == Kind::kBusy) return std::chrono::seconds(10);
  if (outcome.kind != Kind::kFailed || !outcome.retry) return kEvery;
  const int doublings = std::clamp(failures - 1, 0, 10);
  return std::min<std::chrono::seconds>(std::chrono::seconds(30) * (1 << doublings), kEvery);
}

void SyncSchedule::due_in(std::chrono::milliseconds delay, bool sooner_only) {
  if (held_) return;
  const auto at = std::chrono::steady_clock::now() + delay;
  if (sooner_only && timer_.connected() && due_at_ <= at) return;
  timer_.disconnect();
  due_at_ = at;
  timer_ = Glib::signal_timeout().connect(
      [this] {
        guarded([this] { due_(); });
        return false;
      },
      static_cast<unsigned>(delay.count()));
}

void SyncSchedule::program_started() {
  due_in(kAtStart, true);
}

void SyncSchedule::favorites_changed() {
  due_in(kAfterChange, true);
}

void SyncSchedule::synced(const SyncOutcome& outcome) {
  if (outcome.kind == SyncOutcome::Kind::kQuestion) {
    hold();
    return;
  }
  failures_ = outcome.kind == SyncOutcome::Kind::kFailed ? failures_ + 1 : 0;
  due_in(next_after(outcome, failures_), false);
}

void SyncSchedule::hold() {
  held_ = true;
  timer_.disconnect();
}

void SyncSchedule::release() {
  held_ = false;
}

}  // namespace kv
