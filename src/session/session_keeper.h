#pragma once

#include <sigc++/connection.h>
#include <sigc++/trackable.h>

#include <functional>
#include <vector>

#include "session/session_file.h"
#include "session/session_store.h"

namespace kv {

// Keeps the session file up to date with the open windows: a change is written at most
// once a second and within a second of it, never on every event.
class SessionKeeper : public sigc::trackable {
 public:
  using Snapshot = std::function<std::vector<SessionWindow>()>;

  // `write_delay_ms`: how long changes gather before one write; `settle_ms`: how long a
  // restored session must run before a new loss offers to reopen it again.
  SessionKeeper(SessionStore& store, Snapshot snapshot, unsigned write_delay_ms = 1000,
                unsigned settle_ms = 30000);
  SessionKeeper(const SessionKeeper&) = delete;
  SessionKeeper& operator=(const SessionKeeper&) = delete;
  SessionKeeper(SessionKeeper&&) = delete;
  SessionKeeper& operator=(SessionKeeper&&) = delete;
  ~SessionKeeper();

  // A window opened, closed or committed a page.
  void changed();
  // The windows of a lost session were just reopened.
  void restored();
  // The program ends cleanly: nothing more is written and the file goes.
  void end();

  [[nodiscard]] int writes() const { return writes_; }

 private:
  void write_now();

  SessionStore& store_;
  Snapshot snapshot_;
  unsigned write_delay_ms_;
  unsigned settle_ms_;
  sigc::connection pending_;
  sigc::connection settling_;
  std::int64_t restored_at_ = 0;
  bool ended_ = false;
  int writes_ = 0;
};

}  // namespace kv
