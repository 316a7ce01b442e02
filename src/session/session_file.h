#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// One open main window as the session file keeps it.
struct SessionWindow {
  std::string address;
  std::string title;
  std::vector<std::uint8_t> state;  // the control's own history bytes

  bool operator==(const SessionWindow&) const = default;
};

struct Session {
  // When this session's windows were reopened from a lost one (seconds since the epoch),
  // 0 once it has run long enough since or when it never was.
  std::int64_t restored_at = 0;
  std::vector<SessionWindow> windows;

  bool operator==(const Session&) const = default;
};

// Past these a file is not one of ours.
inline constexpr std::size_t kMostSessionWindows = 1000;
inline constexpr std::size_t kLongestSessionText = 64 * 1024;
inline constexpr std::size_t kLargestWindowState = 4 * 1024 * 1024;
// The writer keeps the histories of all windows together below this, so that pages with
// huge histories cannot make the file too large to read back.
inline constexpr std::size_t kLargestStatesTogether = 8 * 1024 * 1024;

// The session file's text (a key file). Window texts must be UTF-8 without 0 bytes
// (the writer replaces what is not).
std::string session_file_text(const Session& session);

// Reads a session file's text; nothing when it is not a whole, well-formed session file
// of a known version within the limits above. Any bytes are safe.
std::optional<Session> parse_session_file(std::string_view text);

}  // namespace kv
