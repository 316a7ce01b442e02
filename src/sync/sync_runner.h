#pragma once

#include <gio/gio.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "desktop/glib_handles.h"
#include "desktop/login_store.h"
#include "sync/local_favorites.h"
#include "sync/sync_job.h"

namespace kv {

// Runs syncs on a thread of their own, one at a time, so that no window waits for the
// network, the merge or the disk: the main loop only starts one and hears its outcome.
class SyncRunner {
 public:
  struct Setup {
    LoginStore* logins = nullptr;  // where the server's password is kept
    // This machine's favourites, made for each sync and used on its thread only.
    std::function<std::unique_ptr<LocalFavorites>()> favorites;
    std::string store_folder;  // the sync's folder in the data folder
    std::string lock_path;     // keeps two programs from syncing at once
  };

  explicit SyncRunner(Setup setup);
  // Stops a sync under way and waits for its thread.
  ~SyncRunner();
  SyncRunner(const SyncRunner&) = delete;
  SyncRunner& operator=(const SyncRunner&) = delete;
  SyncRunner(SyncRunner&&) = delete;
  SyncRunner& operator=(SyncRunner&&) = delete;

  // Starts a sync with the settings and answers of `request` and the password the keyring
  // keeps for them. `done` runs on the main loop with the outcome, whose text is kept as
  // the last sync's. false, and nothing done, while one runs.
  bool start(SyncRequest request, std::function<void(const SyncOutcome&)> done);
  [[nodiscard]] bool running() const { return running_; }

 private:
  struct Shared;
  void launch(SyncRequest request, std::string password,
              std::function<void(const SyncOutcome&)> done);
  void finish(const SyncOutcome& outcome, const std::function<void(const SyncOutcome&)>& done);

  Setup setup_;
  std::shared_ptr<Shared> shared_;
  ObjectRef<GCancellable> cancellable_;
  std::thread worker_;
  bool running_ = false;
};

// The login under which the keyring keeps the password for these settings: the server
// folder's origin and the user.
SavedLogin sync_login(const SyncSettings& settings);

}  // namespace kv
