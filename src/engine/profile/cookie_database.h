#pragma once

#include <string>

namespace kv {

// Makes the cookie database at `path` ready before the engine opens it: its table made
// once, by whichever copy of the program comes first, and write-ahead logging on, so
// that one copy reading its cookies never holds up another writing one. false when the
// file could not be prepared (the engine then makes it as it can).
bool prepare_cookie_database(const std::string& path);

}  // namespace kv
