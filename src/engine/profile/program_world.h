#pragma once

namespace kv {

// The script world in which the control reads a page's state for its own decisions. A
// page can replace its own document.title or document.hasFocus(), but not what another
// world sees of the same document.
inline constexpr const char* kProgramWorld = "kestrivane-program";

}  // namespace kv
