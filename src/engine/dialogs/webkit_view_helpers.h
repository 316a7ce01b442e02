#pragma once

#include <glibmm/ustring.h>
#include <webkit2/webkit2.h>

namespace kv {

// Whether the view shows a page at all; page commands do nothing without one.
bool has_page(WebKitWebView* view);

// The window that holds the view, which the control's dialogs are transient for;
// nullptr while the view is in no window.
GtkWindow* toplevel_window_of(WebKitWebView* view);

// The page's title, or its address when it has none.
Glib::ustring page_title_or_address(WebKitWebView* view);

}  // namespace kv
