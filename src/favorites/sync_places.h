#pragma once

#include <string>

#include "desktop/login_store.h"
#include "sync/sync_runner.h"

namespace kv {

// Where a program's sync finds the favourites and keeps its own files.
struct SyncPlaces {
  std::string favorites_folder;
  std::string fav_dat;
  std::string store_folder;  // the sync's folder in the data folder
  std::string lock_path;     // in the profile, shared by the browser and Internet Options
};

// The user's favourites folder and profile, with the fav.Dat at `fav_dat`.
SyncPlaces sync_places(const std::string& fav_dat);

// A runner of syncs of the favourites at `places`, with the password from `logins`.
SyncRunner::Setup sync_runner_setup(const SyncPlaces& places, LoginStore& logins);

}  // namespace kv
