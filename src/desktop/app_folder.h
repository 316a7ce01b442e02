#pragma once

#include <string>

namespace kv {

// The folder that holds the program file; the program keeps fav.Dat there.
std::string application_folder();

}  // namespace kv
