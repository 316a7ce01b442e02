#pragma once

#include <string>

namespace kv {

// Where the program keeps the user's own data (XDG base directories); the folders are
// created when first asked for.
std::string user_config_dir();  // ~/.config/kestrivane
std::string user_data_dir();    // ~/.local/share/kestrivane

// The Internet Options settings (home page), shared by the browser and the Internet
// Options program.
std::string internet_settings_path();
// The browsing history database.
std::string history_database_path();

}  // namespace kv
