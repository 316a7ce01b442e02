#pragma once

#include <sigc++/connection.h>
#include <sigc++/trackable.h>

#include <functional>
#include <vector>

#include "session/session_file.h"
#include "session/session_store.h"

namespace kv {

// How often the session file may be written. Each write replaces the whole file durably,
// so a page that retitles itself all the time must not make it write all the time.
struct SessionPace {
  // How long changes gather before one write.
  unsigned gather_ms = 1000;
  // The least time between writes for pages committed and windows opened or closed...
  unsigned windows_ms = 3000;
  // ...and when only titles changed.
  unsigned titles_ms = 15000;
  // How long a restored session must run before a new loss offers to reopen it again.
  unsigned settle_ms = 30000;
};

// Keeps the session file up to date with the open windows, never on every event.
class SessionKeeper : public sigc::trackable {
 public:
  using Snapshot = std::function<std::vector<SessionWindow>()>;

  SessionKeeper(SessionStore& store, Snapshot snapshot, SessionPace pace = {});
  SessionKeeper(const SessionKeeper&) = delete;
  SessionKeeper& operator=(const SessionKeeper&) = delete;
  SessionKeeper(SessionKeeper&&) = delete;
  SessionKeeper& operator=(SessionKeeper&&) = delete;
  ~SessionKeeper();

  // A window opened, closed or committed a page.
  void changed();
  // A window's page changed its title.
  void title_changed();
  // The windows of a lost session were just reopened.
  void restored();
  // The program ends cleanly: nothing more is written and the file goes.
  void end();

  [[nodiscard]] int writes() const { return writes_; }

 private:
  // A write at least `least_between_ms` after the last one.
  void write_after(unsigned least_between_ms);
  void write_now();

  SessionStore& store_;
  Snapshot snapshot_;
  SessionPace pace_;
  sigc::connection pending_;
  std::int64_t pending_due_ = 0;  // monotonic microseconds
  std::int64_t last_write_ = 0;
  sigc::connection settling_;
  std::int64_t restored_at_ = 0;
  bool ended_ = false;
  int writes_ = 0;
};

}  // namespace kv
