#include "session/session_keeper.h"

#include <glib.h>
#include <glibmm/main.h>

#include <algorithm>

#include "desktop/guarded.h"

namespace kv {

SessionKeeper::SessionKeeper(SessionStore& store, Snapshot snapshot, SessionPace pace)
    : store_(store), snapshot_(std::move(snapshot)), pace_(pace) {}

SessionKeeper::~SessionKeeper() {
  pending_.disconnect();
  settling_.disconnect();
}

void SessionKeeper::changed() {
  write_after(pace_.windows_ms);
}

void SessionKeeper::title_changed() {
  write_after(pace_.titles_ms);
}

void SessionKeeper::write_after(unsigned least_between_ms) {
  if (ended_) return;
  const std::int64_t now = g_get_monotonic_time();
  std::int64_t due = now + std::int64_t{pace_.gather_ms} * 1000;
  if (last_write_ != 0) due = std::max(due, last_write_ + std::int64_t{least_between_ms} * 1000);
  // A write already due as soon takes this change along.
  if (pending_.connected() && pending_due_ <= due) return;
  pending_.disconnect();
  pending_due_ = due;
  pending_ = Glib::signal_timeout().connect(
      [this] {
        write_now();
        return false;
      },
      static_cast<unsigned>((due - now + 999) / 1000));
}

void SessionKeeper::restored() {
  if (ended_) return;
  restored_at_ = g_get_real_time() / G_USEC_PER_SEC;
  if (restored_at_ <= 0) restored_at_ = 1;
  changed();
  settling_.disconnect();
  // Ran long enough: a later loss is not this restore's doing.
  settling_ = Glib::signal_timeout().connect(
      [this] {
        restored_at_ = 0;
        changed();
        return false;
      },
      pace_.settle_ms);
}

void SessionKeeper::end() {
  ended_ = true;
  pending_.disconnect();
  settling_.disconnect();
  store_.remove();
}

void SessionKeeper::write_now() {
  if (ended_) return;
  last_write_ = g_get_monotonic_time();
  Session session;
  session.restored_at = restored_at_;
  guarded([&] { session.windows = snapshot_(); });
  if (store_.save(session)) ++writes_;
}

}  // namespace kv
