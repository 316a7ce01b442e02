#pragma once

#include <string>

namespace kv {

// Where the program keeps the user's own data (XDG base directories); the folders are
// created when first asked for.
std::string user_config_dir();  // ~/.config/kestrivane
std::string user_data_dir();    // ~/.local/share/kestrivane
std::string user_cache_dir();   // ~/.cache/kestrivane (the engine's HTTP cache)

// The Internet Options settings (home page), shared by the browser and the Internet
// Options program.
std::string internet_settings_path();
// The browsing history database.
std::string history_database_path();
// fav.Dat of the program in `app_folder`: beside it, or in the user's data folder when
// the program is installed where the user cannot write (see favorites_file_for).
std::string favorites_file_path(const std::string& app_folder);
// The engine's persistent cookies (SQLite) and the rest of what web sites store (local
// storage, IndexedDB, ...), shared by every window and every run.
std::string cookie_database_path();
std::string website_data_dir();
// Rewritten when the user deletes cookies and website data, so that running browsers
// forget theirs too.
std::string website_data_cleared_path();
// What the user allowed or denied web sites (location, notifications, camera, ...).
std::string site_permissions_path();

// Where downloads are saved by default: the desktop's download folder (~/Downloads),
// made when missing; the home folder when it cannot be made.
std::string download_dir();

}  // namespace kv
