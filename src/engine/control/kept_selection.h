#pragma once

#include <webkit2/webkit2.h>

namespace kv {

// The engine collapses a page's selection the moment anyone else claims the X primary
// selection, and the address box claims it whenever text is selected in it; Copy from
// the address box would then find nothing to copy. With this, the page remembers the
// range it had while it is in the background, shows it as an inactive selection, and
// Cut and Copy take it up again.
void keep_selection_in_background(WebKitWebView* view);

// The user cleared the page's selection: nothing is to be taken up again.
void forget_kept_selection(WebKitWebView* view);

// Runs the editing command ("Cut", "Copy") on the page's selection, the kept one if the
// live one was taken away. With nothing to act on it does nothing at all, so that the
// clipboard keeps what it had.
void run_on_selection(WebKitWebView* view, const char* command);

}  // namespace kv
