// The session file as any crash, disk or person may have left it. Reading never fails
// hard; what reads as a session writes back to text that reads as the same session.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "session/session_file.h"

using kv::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto session = kv::parse_session_file(text);
  if (!session) return 0;
  require(session->windows.size() <= kv::kMostSessionWindows, "too many windows read");
  for (const kv::SessionWindow& window : session->windows) {
    require(window.state.size() <= kv::kLargestWindowState, "a window's state too large");
    require(window.address.find('\0') == std::string::npos, "a 0 byte in an address");
  }
  const auto again = kv::parse_session_file(kv::session_file_text(*session));
  require(again.has_value(), "a session read could not be read back once written");
  require(*again == *session, "writing changed the session");
  return 0;
}
