#pragma once

#include <optional>
#include <string>

namespace kv {

// What the Sync page of Internet Options sets, kept in the profile (sync.ini in the
// config folder, the user's alone). The password is not here: it is in the keyring.
struct SyncSettings {
  std::string folder;  // the server folder's address
  std::string user;
  std::string file = "bookmarks.xbel";

  [[nodiscard]] bool configured() const { return !folder.empty(); }
  bool operator==(const SyncSettings&) const = default;
};

SyncSettings load_sync_settings();
// false when the file could not be written.
bool save_sync_settings(const SyncSettings& settings);

// The last sync's outcome in plain words, with its time, as the Sync page shows it.
std::string last_sync_outcome();
bool save_sync_outcome(const std::string& text);

// The address of the file on the server: the folder's address with a "/" after it and
// the file's name, escaped, after that. nullopt with the reason in `why` when the folder
// is no http or https address (with a host) or the name is empty or holds a "/".
std::optional<std::string> sync_file_address(const SyncSettings& settings, std::string& why);

// The settings file's text, and settings from it (defaults for what it lacks); for the
// tests and the fuzz target.
SyncSettings sync_settings_in(const std::string& text);
std::string sync_settings_text(const std::string& old_text, const SyncSettings& settings);

// Where sync keeps its files: the settings and the lock that keeps two programs from
// syncing at once in the config folder, the last sync's state and the backups in the
// data folder.
std::string sync_settings_path();
std::string sync_lock_path();
std::string sync_data_dir();

}  // namespace kv
