#pragma once

#include <webkit2/webkit2.h>

#include "engine/filters/content_blocking.h"

namespace kv {

// Gives `view` the filters of `blocking` while its page is one they apply to (a web
// page, blocking on, the site not excepted), and follows changes of either. Views that
// share a content manager (a pop-up and its opener) have the filters while any of their
// pages wants them. The first view of a start waits a moment for the stored lists, so
// that its page is filtered.
void follow_content_blocking(WebKitWebView* view,
                             ContentBlocking& blocking = ContentBlocking::program());

}  // namespace kv
