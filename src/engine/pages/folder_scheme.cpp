#include "engine/pages/folder_scheme.h"

#include <gio/gio.h>

#include <memory>
#include <string>
#include <utility>

#include "desktop/glib_handles.h"
#include "engine/pages/local_scheme.h"
#include "shell/favorites_folder.h"
#include "shell/folder_pages.h"
#include "shell/history_store.h"
#include "shell/shell_folder_id.h"
#include "shell/shell_folders.h"

namespace kv {
namespace {

// What a worker needs to build one page; paths are worked out on the main thread.
struct PageJob {
  ShellFolder folder;
  std::string favorites_root;
  std::string history_path;
};

std::string build_page(const PageJob& job) {
  if (job.folder.csidl == CSIDL_HISTORY) {
    const auto now = HistoryStore::Clock::now();
    return history_page(read_history(job.history_path, now, kMaxHistoryVisits), now);
  }
  std::string dir = job.favorites_root;
  for (const std::string& name : job.folder.path) dir += "/" + name;
  FolderListing listing;
  if (!job.favorites_root.empty()) listing = read_favorites_folder(dir, kMaxFolderEntries);
  return favorites_page(job.folder, listing);
}

void build_in_thread(GTask* task, gpointer /*source*/, gpointer task_data,
                     GCancellable* /*cancellable*/) {
  try {
    auto* html = new std::string(build_page(*static_cast<PageJob*>(task_data)));
    g_task_return_pointer(task, html, [](gpointer p) { delete static_cast<std::string*>(p); });
  } catch (...) {
    g_task_return_new_error(task, G_IO_ERROR, G_IO_ERROR_FAILED, "The folder cannot be shown.");
  }
}

void page_built(GObject* /*source*/, GAsyncResult* result, gpointer data) {
  // The reference that handle_request took for the task.
  const ObjectRef<WebKitURISchemeRequest> request(static_cast<WebKitURISchemeRequest*>(data));
  OwnedError error;
  const std::unique_ptr<std::string> html(
      static_cast<std::string*>(g_task_propagate_pointer(G_TASK(result), out(error))));
  if (!html) {
    webkit_uri_scheme_request_finish_error(request.get(), error.get());
  } else {
    finish_with_html(request.get(), std::move(*html));
  }
}

void handle_request(WebKitURISchemeRequest* request, gpointer /*data*/) {
  const char* uri = webkit_uri_scheme_request_get_uri(request);
  const auto folder = parse_folder_uri(uri != nullptr ? uri : "");
  if (!folder) {
    finish_not_found(request, "No such folder.");
    return;
  }
  auto* job = new PageJob{*folder, "", ""};
  if (folder->csidl == CSIDL_FAVORITES) job->favorites_root = favorites_folder_path();
  if (folder->csidl == CSIDL_HISTORY) job->history_path = browsing_history().path();

  const ObjectRef<GTask> task(
      g_task_new(nullptr, nullptr, page_built, ref_object(request).release()));
  g_task_set_task_data(task.get(), job, [](gpointer p) { delete static_cast<PageJob*>(p); });
  g_task_run_in_thread(task.get(), build_in_thread);
}

}  // namespace

void ensure_folder_scheme(WebKitWebContext* context) {
  register_local_scheme(context, kShellScheme, handle_request);
}

bool show_shell_folder(WebKitWebView* view, const std::vector<std::uint8_t>& item_id_list) {
  const auto folder = decode_item_id_list(item_id_list.data(), item_id_list.size());
  if (!folder) return false;
  ensure_folder_scheme(webkit_web_view_get_context(view));
  webkit_web_view_load_uri(view, folder_uri(*folder).c_str());
  return true;
}

}  // namespace kv
