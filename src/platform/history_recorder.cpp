#include "platform/history_recorder.h"

#include <glib.h>

#include "platform/guarded.h"
#include "platform/history_store.h"

namespace kv {
namespace {

constexpr const char* kStateKey = "kv-history-load";

// Per view: whether the load in progress has failed.
struct LoadState {
  bool failed = false;
};

void on_load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
  auto* state = static_cast<LoadState*>(data);
  if (event == WEBKIT_LOAD_STARTED) state->failed = false;
  if (event != WEBKIT_LOAD_FINISHED || state->failed) return;
  guarded([view] {
    const char* uri = webkit_web_view_get_uri(view);
    if (uri == nullptr || !recorded_in_history(uri)) return;
    const char* title = webkit_web_view_get_title(view);
    browsing_history().record(uri, title != nullptr ? title : "", HistoryStore::Clock::now());
  });
}

gboolean on_load_failed(WebKitWebView* /*view*/, WebKitLoadEvent /*event*/, gchar* /*uri*/,
                        GError* /*error*/, gpointer data) {
  static_cast<LoadState*>(data)->failed = true;
  return FALSE;  // others may still show their error page
}

}  // namespace

bool recorded_in_history(const std::string& address) {
  const char* scheme = g_uri_peek_scheme(address.c_str());
  if (scheme == nullptr) return false;
  const std::string name = scheme;
  return name == "http" || name == "https" || name == "file";
}

void record_completed_pages(WebKitWebView* view) {
  auto* state = new LoadState;
  g_object_set_data_full(G_OBJECT(view), kStateKey, state,
                         [](gpointer data) { delete static_cast<LoadState*>(data); });
  g_signal_connect(view, "load-changed", G_CALLBACK(on_load_changed), state);
  g_signal_connect(view, "load-failed", G_CALLBACK(on_load_failed), state);
}

}  // namespace kv
