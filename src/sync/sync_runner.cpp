#include "sync/sync_runner.h"

#include <glib.h>

#include "desktop/guarded.h"
#include "sync/soup_dav_client.h"

namespace kv {

// What the thread's outcome needs to find on the main loop: whether the runner is still
// there to take it.
struct SyncRunner::Shared {
  bool alive = true;
};

SavedLogin sync_login(const SyncSettings& settings) {
  SavedLogin login;
  login.user = settings.user;
  login.action_origin = "sync";
  const OwnedUri uri(g_uri_parse(settings.folder.c_str(), G_URI_FLAGS_NONE, nullptr));
  if (!uri || g_uri_get_host(uri.get()) == nullptr) return login;
  const std::string scheme = g_uri_get_scheme(uri.get());
  login.origin = scheme + "://" + g_uri_get_host(uri.get());
  const int port = g_uri_get_port(uri.get());
  if (port > 0 && port != (scheme == "https" ? 443 : 80))
    login.origin += ":" + std::to_string(port);
  return login;
}

SyncRunner::SyncRunner(Setup setup)
    : setup_(std::move(setup)),
      shared_(std::make_shared<Shared>()),
      cancellable_(g_cancellable_new()) {}

SyncRunner::~SyncRunner() {
  shared_->alive = false;
  g_cancellable_cancel(cancellable_.get());
  if (worker_.joinable()) worker_.join();
}

bool SyncRunner::start(SyncRequest request, std::function<void(const SyncOutcome&)> done) {
  if (running_) return false;
  running_ = true;
  if (worker_.joinable()) worker_.join();  // the last one has ended: its outcome came
  const std::shared_ptr<Shared> shared = shared_;
  const SavedLogin login = sync_login(request.settings);
  setup_.logins->password(
      login, [this, shared, request, done](std::optional<std::string> password) {
        if (!shared->alive) return;
        if (!password) {
          SyncOutcome outcome;
          outcome.text = "Not synced " + clock_time(std::time(nullptr)) +
                         ": no password is kept for the server (or the keyring is locked).";
          finish(outcome, done);
          return;
        }
        launch(request, std::move(*password), done);
      });
  return true;
}

void SyncRunner::launch(SyncRequest request, std::string password,
                        std::function<void(const SyncOutcome&)> done) {
  struct Delivery {
    std::shared_ptr<Shared> shared;
    SyncRunner* runner;
    SyncOutcome outcome;
    std::function<void(const SyncOutcome&)> done;
  };
  request.lock_path = setup_.lock_path;
  worker_ = std::thread([this, request = std::move(request), password = std::move(password),
                         shared = shared_, done = std::move(done)]() mutable {
    auto* delivery = new Delivery{shared, this, {}, std::move(done)};
    try {
      SoupDavClient dav(request.settings.user, password, cancellable_.get());
      wipe(password);
      const std::unique_ptr<LocalFavorites> favorites = setup_.favorites();
      const SyncStore store(setup_.store_folder);
      delivery->outcome = run_sync(request, dav, *favorites, store, std::time(nullptr));
    } catch (...) {
      delivery->outcome.text = "Not synced: the sync failed unexpectedly.";
      delivery->outcome.retry = true;
    }
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer data) {
          const std::unique_ptr<Delivery> arrived(static_cast<Delivery*>(data));
          if (arrived->shared->alive) arrived->runner->finish(arrived->outcome, arrived->done);
          return G_SOURCE_REMOVE;
        },
        delivery, nullptr);
  });
}

void SyncRunner::finish(const SyncOutcome& outcome,
                        const std::function<void(const SyncOutcome&)>& done) {
  running_ = false;
  if (outcome.kind != SyncOutcome::Kind::kQuestion) save_sync_outcome(outcome.text);
  guarded([&] { done(outcome); });
}

}  // namespace kv
