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
// fav.Dat of the program in `app_folder`: beside it, or in the user's data folder when
// the program is installed where the user cannot write (see favorites_file_for).
std::string favorites_file_path(const std::string& app_folder);

}  // namespace kv
