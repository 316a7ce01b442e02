#pragma once

#include <webkit2/webkit2.h>

#include <functional>

#include "engine/requests/window_request_quota.h"

namespace kv {

// What answers a page's request for a window: whether a window was made for it, and the
// view (related to the requesting one) that shows it, or nullptr to give the page none.
struct OpenedWindow {
  bool made = false;
  WebKitWebView* view = nullptr;
};

// A page's requests for windows (window.open, a link or form with a target): only for
// what any web page may open, and only within the quota of windows opened without the
// user asking. `open` makes the window, or refuses; the page's address is then loaded in
// its view (an empty window stays empty).
class WindowRequests {
 public:
  WindowRequests(WebKitWebView* view, std::function<OpenedWindow()> open);
  ~WindowRequests();
  WindowRequests(const WindowRequests&) = delete;
  WindowRequests& operator=(const WindowRequests&) = delete;
  WindowRequests(WindowRequests&&) = delete;
  WindowRequests& operator=(WindowRequests&&) = delete;

 private:
  static GtkWidget* on_create(WebKitWebView* view, WebKitNavigationAction* action, gpointer self);

  WebKitWebView* view_;
  std::function<OpenedWindow()> open_;
  WindowRequestQuota quota_;  // of every page shown in the view
};

}  // namespace kv
