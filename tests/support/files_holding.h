#pragma once

#include <string>
#include <vector>

namespace kv::test {

// The files under `folder` holding `secret`: as typed, as a form sends it, inside a
// base64 value, or in a row of an SQLite database's tables (whose text the file may keep
// split across pages).
std::vector<std::string> files_holding(const std::string& folder, const std::string& secret);

}  // namespace kv::test
