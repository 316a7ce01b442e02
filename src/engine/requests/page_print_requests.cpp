#include "engine/requests/page_print_requests.h"

#include "desktop/object_state.h"

namespace kv {
namespace {

constexpr const char* kStateKey = "kv-page-print-requests";

struct PrintRequests {
  bool printed_since_input = false;
};

PrintRequests& requests_of(gpointer view) {
  return *attached_state<PrintRequests>(view, kStateKey);
}

gboolean on_print(WebKitWebView* view, WebKitPrintOperation* /*operation*/, gpointer /*data*/) {
  PrintRequests& requests = requests_of(view);
  // Handled, the request is dropped: no dialog.
  if (requests.printed_since_input) return TRUE;
  requests.printed_since_input = true;
  return FALSE;
}

// Presses that the display reports; a page's made-up events never come this way.
gboolean on_input(GtkWidget* view, GdkEvent* /*event*/, gpointer /*data*/) {
  requests_of(view).printed_since_input = false;
  return FALSE;
}

void on_load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer /*data*/) {
  if (event == WEBKIT_LOAD_COMMITTED) requests_of(view).printed_since_input = false;
}

}  // namespace

void limit_page_print_requests(WebKitWebView* view) {
  attach_state(view, kStateKey, new PrintRequests);
  g_signal_connect(view, "print", G_CALLBACK(on_print), nullptr);
  g_signal_connect(view, "button-press-event", G_CALLBACK(on_input), nullptr);
  g_signal_connect(view, "key-press-event", G_CALLBACK(on_input), nullptr);
  g_signal_connect(view, "load-changed", G_CALLBACK(on_load_changed), nullptr);
}

}  // namespace kv
