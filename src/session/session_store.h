#pragma once

#include <optional>
#include <string>

#include "session/session_file.h"

namespace kv {

// $XDG_STATE_HOME/kestrivane (~/.local/state/kestrivane when unset).
std::string default_session_folder();

// A file larger than this is not a session file of ours.
inline constexpr std::size_t kLargestSessionFile = 16 * 1024 * 1024;

// The session file in one folder: kept by this run, and left behind by a run that did
// not end cleanly.
class SessionStore {
 public:
  explicit SessionStore(std::string folder);

  // The session a run before this one left behind, or nothing. A file that is not a
  // regular file, is too large or does not read as a session is moved aside as
  // session.bad (one line on stderr) and gives nothing.
  std::optional<Session> take_left_session();
  // Replaces the file atomically and durably (0600, in a 0700 folder); false on failure.
  bool save(const Session& session);
  // A clean end: no session is left behind.
  void remove();

  [[nodiscard]] const std::string& path() const { return path_; }
  [[nodiscard]] std::string bad_path() const { return folder_ + "/session.bad"; }

 private:
  void move_aside(const std::string& why);

  std::string folder_;
  std::string path_;
};

}  // namespace kv
