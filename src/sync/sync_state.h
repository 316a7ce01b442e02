#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bookmarks/xbel.h"
#include "sync/local_favorites.h"
#include "sync/local_match.h"

namespace kv {

// What the last sync left on this machine: the merge's base and where its items went.
struct SyncState {
  bool known = false;   // a sync has been made with this server file
  std::string address;  // of the server file it was made with
  XbelDocument base;    // the server file as that sync left it
  SyncLocations locations;
  std::string etag;         // its strong ETag, "" when not known
  std::string server_hash;  // SHA-256 of the file's bytes as written or read
  std::string local_hash;   // of this machine's favourites as the sync left them
};

// A backup of this machine's favourites, kept before a sync changed them.
struct LocalBackup {
  std::string path;
  std::time_t taken = 0;
};

// The sync's files in a folder of the data folder (0700, files 0600, each written whole):
// base.xbel and state.ini for the last sync, and in backups/ the last five server files
// that a sync replaced and the last five states of this machine's favourites before a
// sync changed them.
class SyncStore {
 public:
  explicit SyncStore(std::string folder);

  [[nodiscard]] SyncState load() const;
  bool save(const SyncState& state) const;
  // Forgets the last sync: the next one is a first sync again. Backups stay.
  bool forget() const;

  bool keep_server_backup(std::string_view bytes, std::time_t now) const;
  bool keep_local_backup(const LocalRead& favorites, std::time_t now) const;
  // Newest first.
  [[nodiscard]] std::vector<LocalBackup> local_backups() const;
  [[nodiscard]] std::vector<std::string> server_backups() const;

  [[nodiscard]] const std::string& folder() const { return folder_; }

 private:
  bool keep_backup(const std::string& kind, std::string_view bytes, std::time_t now) const;

  std::string folder_;
};

// SHA-256 of the bytes, in hex.
std::string content_hash(std::string_view bytes);
// A hash of everything sync reads of this machine's favourites.
std::string favorites_hash(const LocalRead& favorites);

// This machine's favourites as a backup file (XBEL of our own, with each item's path and
// each line's bytes), and back.
std::string local_backup_text(const LocalRead& favorites);
std::optional<LocalRead> local_backup_of(std::string_view text);

// Writes `bytes` to `path` whole, 0600.
bool write_private_file(const std::string& path, std::string_view bytes);

}  // namespace kv
