#pragma once

#include <webkit2/webkit2.h>

namespace kv {

// Every download asks where to save, and a page can start downloads by script: one that
// starts them in a loop would put the save dialog back each time it is answered. So a
// page starts one download since the user's last press or key in it, or their last
// navigation of its view; the others are cancelled unasked, as other browsers block
// "multiple downloads".
void limit_unasked_downloads(WebKitWebView* view);

// The user asked the view for an address (typed, Back, Home...): it may be a download.
void allow_next_download(WebKitWebView* view);

// Whether `download` may ask; it takes the view's one download if so. Downloads that no
// view started (the program's own) always may.
bool download_may_ask(WebKitDownload* download);

}  // namespace kv
