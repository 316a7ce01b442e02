#pragma once

#include <webkit2/webkit2.h>

#include <functional>
#include <string>

namespace kv {

// What the user asks of the page area with the mouse alone.
struct UserMouseRequests {
  // The mouse's Back (false) or Forward (true) button, pressed over the page.
  std::function<void(bool forward)> history_button;
  // A link clicked with the middle button, or with Ctrl or Shift held: its address.
  std::function<void(const std::string& uri)> link_to_new_window;
};

// Watches the view for those requests. A link click with the middle button or a modifier
// never loads in the view itself; it counts for a new window only when the display
// reported that very click over that very link a moment before, so that the events a
// page's script makes up (which reach the page, never the display) open nothing.
void watch_user_mouse_requests(WebKitWebView* view, UserMouseRequests requests);

}  // namespace kv
