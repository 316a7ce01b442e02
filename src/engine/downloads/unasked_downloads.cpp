#include "engine/downloads/unasked_downloads.h"

#include "desktop/object_state.h"

namespace kv {
namespace {

constexpr const char* kStateKey = "kv-unasked-downloads";

struct DownloadAllowance {
  bool used = false;  // since the user's last press, key or navigation
};

DownloadAllowance* allowance_of(gpointer view) {
  return attached_state<DownloadAllowance>(view, kStateKey);
}

// Presses that the display reports; a page's made-up events never come this way.
gboolean on_input(GtkWidget* view, GdkEvent* /*event*/, gpointer /*data*/) {
  allowance_of(view)->used = false;
  return FALSE;
}

}  // namespace

void limit_unasked_downloads(WebKitWebView* view) {
  attach_state(view, kStateKey, new DownloadAllowance);
  g_signal_connect(view, "button-press-event", G_CALLBACK(on_input), nullptr);
  g_signal_connect(view, "key-press-event", G_CALLBACK(on_input), nullptr);
}

void allow_next_download(WebKitWebView* view) {
  if (DownloadAllowance* allowance = allowance_of(view)) allowance->used = false;
}

bool download_may_ask(WebKitDownload* download) {
  WebKitWebView* view = webkit_download_get_web_view(download);
  DownloadAllowance* allowance = view != nullptr ? allowance_of(view) : nullptr;
  if (allowance == nullptr) return true;
  if (allowance->used) return false;
  allowance->used = true;
  return true;
}

}  // namespace kv
