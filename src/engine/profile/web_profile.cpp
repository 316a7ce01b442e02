#include "engine/profile/web_profile.h"

#include <gio/gio.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <utility>

#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "desktop/user_paths.h"
#include "engine/profile/cookie_database.h"
#include "engine/profile/website_data_followers.h"

namespace kv {
namespace {

struct ClearJob {
  std::function<void(bool)> done;
};

void on_cleared(GObject* manager, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<ClearJob> job(static_cast<ClearJob*>(data));
  OwnedError error;
  const bool ok = webkit_website_data_manager_clear_finish(WEBKIT_WEBSITE_DATA_MANAGER(manager),
                                                           result, out(error)) != FALSE;
  if (job->done) guarded([&] { job->done(ok); });
}

std::string read_text(const std::string& path) {
  OwnedChars text;
  if (g_file_get_contents(path.c_str(), out(text), nullptr, nullptr) == FALSE) return {};
  return text.get();
}

// The deletion mark names the moment and the process, so that each deletion differs
// from the one before, whoever asked for it. Empty when it could not be written.
std::string write_deletion_mark() {
  const std::string mark =
      std::to_string(g_get_real_time()) + " " + std::to_string(static_cast<long>(getpid()));
  if (g_file_set_contents_full(website_data_cleared_path().c_str(), mark.c_str(), -1,
                               G_FILE_SET_CONTENTS_CONSISTENT, 0600, nullptr) == FALSE) {
    return {};
  }
  return mark;
}

struct DeletionFollower {
  WebKitWebContext* context = nullptr;
  GFileMonitor* monitor = nullptr;
  std::string last_mark;

  static void on_changed(GFileMonitor* /*monitor*/, GFile* /*file*/, GFile* /*other*/,
                         GFileMonitorEvent /*event*/, gpointer data) {
    auto* follower = static_cast<DeletionFollower*>(data);
    std::string mark = read_text(website_data_cleared_path());
    // Several events come for one rewrite; an emptied or removed mark asks for nothing.
    if (mark.empty() || mark == follower->last_mark) return;
    follower->last_mark = mark;
    clear_profile_data(follower->context,
                       [mark = std::move(mark)](bool /*cleared*/) { report_cleared(mark); });
  }
};

}  // namespace

WebKitWebContext* new_profile_context() {
  const std::string data = website_data_dir();
  const std::string cache = user_cache_dir();
  const ObjectRef<WebKitWebsiteDataManager> manager(webkit_website_data_manager_new(
      "base-data-directory", data.c_str(), "base-cache-directory", cache.c_str(), nullptr));
  // SQLite lets two copies of the program share the file: each writes only the cookies
  // that changed, under the database's own locks.
  const std::string cookies = cookie_database_path();
  prepare_cookie_database(cookies);
  webkit_cookie_manager_set_persistent_storage(
      webkit_website_data_manager_get_cookie_manager(manager.get()), cookies.c_str(),
      WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
  return webkit_web_context_new_with_website_data_manager(manager.get());
}

WebKitWebContext* new_private_context() {
  const ObjectRef<WebKitWebsiteDataManager> manager(webkit_website_data_manager_new_ephemeral());
  return webkit_web_context_new_with_website_data_manager(manager.get());
}

void clear_profile_data(WebKitWebContext* context, std::function<void(bool)> done) {
  WebKitWebsiteDataManager* manager = webkit_web_context_get_website_data_manager(context);
  webkit_website_data_manager_clear(manager, WEBKIT_WEBSITE_DATA_ALL, 0, nullptr, &on_cleared,
                                    new ClearJob{std::move(done)});
}

void delete_cookies_and_website_data(std::function<void(bool)> done) {
  const std::string mark = write_deletion_mark();
  const bool told = !mark.empty();
  // The running browsers clear theirs first, while the files they would miss are there.
  wait_for_followers(mark, [told, done = std::move(done)]() mutable {
    // Its network process ends with it, once the clearing has answered.
    std::shared_ptr<WebKitWebContext> context = ObjectRef<WebKitWebContext>(new_profile_context());
    WebKitWebContext* clearing = context.get();
    clear_profile_data(clearing, [context = std::move(context), told,
                                  done = std::move(done)](bool cleared) mutable {
      context.reset();
      if (done) done(told && cleared);
    });
  });
}

void follow_website_data_deletion(WebKitWebContext* context) {
  enlist_as_follower();
  // Lives as long as the context it follows, which is kept until the program ends.
  auto* follower = new DeletionFollower{context, nullptr, read_text(website_data_cleared_path())};
  const ObjectRef<GFile> mark(g_file_new_for_path(website_data_cleared_path().c_str()));
  follower->monitor = g_file_monitor_file(mark.get(), G_FILE_MONITOR_NONE, nullptr, nullptr);
  if (follower->monitor == nullptr) {
    delete follower;
    return;
  }
  g_signal_connect(follower->monitor, "changed", G_CALLBACK(&DeletionFollower::on_changed),
                   follower);
}

}  // namespace kv
