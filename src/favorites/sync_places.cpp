#include "favorites/sync_places.h"

#include "favorites/favorites_on_disk.h"
#include "shell/shell_folders.h"
#include "sync/sync_settings.h"

namespace kv {

SyncPlaces sync_places(const std::string& fav_dat) {
  return {favorites_folder_path(), fav_dat, sync_data_dir(), sync_lock_path()};
}

SyncRunner::Setup sync_runner_setup(const SyncPlaces& places, LoginStore& logins) {
  return {&logins,
          [folder = places.favorites_folder, fav_dat = places.fav_dat] {
            return std::make_unique<FavoritesOnDisk>(folder, fav_dat);
          },
          places.store_folder, places.lock_path};
}

}  // namespace kv
