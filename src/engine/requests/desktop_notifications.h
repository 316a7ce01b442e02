#pragma once

#include <webkit2/webkit2.h>

#include <string>

namespace kv {

// Sends the notifications of `view`'s pages to the desktop's notification service
// (org.freedesktop.Notifications), named by the site's host. A site shows them only
// while it is allowed to, remembered or for this run; a click on one brings the view's
// window to the front and tells the page. Without a service they are dropped. A site
// keeps a few on the screen at most, each new one replacing its oldest, and sends about
// one a second: the rest are dropped.
void show_notifications_on_desktop(WebKitWebView* view);

// The user let `origin` show notifications in `view` without remembering it: in every
// view of its context, until the program ends (a private window's: until the last
// private window closes).
void allow_notifications_for_run(WebKitWebView* view, const std::string& origin);

}  // namespace kv
