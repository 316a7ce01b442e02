#include "session/session_keeper.h"

#include <glib.h>
#include <glibmm/main.h>

#include "desktop/guarded.h"

namespace kv {

SessionKeeper::SessionKeeper(SessionStore& store, Snapshot snapshot, unsigned write_delay_ms,
                             unsigned settle_ms)
    : store_(store),
      snapshot_(std::move(snapshot)),
      write_delay_ms_(write_delay_ms),
      settle_ms_(settle_ms) {}

SessionKeeper::~SessionKeeper() {
  pending_.disconnect();
  settling_.disconnect();
}

void SessionKeeper::changed() {
  if (ended_ || pending_.connected()) return;
  pending_ = Glib::signal_timeout().connect(
      [this] {
        write_now();
        return false;
      },
      write_delay_ms_);
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
      settle_ms_);
}

void SessionKeeper::end() {
  ended_ = true;
  pending_.disconnect();
  settling_.disconnect();
  store_.remove();
}

void SessionKeeper::write_now() {
  if (ended_) return;
  Session session;
  session.restored_at = restored_at_;
  guarded([&] { session.windows = snapshot_(); });
  if (store_.save(session)) ++writes_;
}

}  // namespace kv
