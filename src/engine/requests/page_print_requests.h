#pragma once

#include <webkit2/webkit2.h>

namespace kv {

// A page's print() opens the print dialog once; another only after the user has pressed a
// key or a mouse button in the page since, or once another page has come. A page that
// calls print() in a loop would otherwise put the dialog back each time it is closed.
// The program's own Print is not concerned.
void limit_page_print_requests(WebKitWebView* view);

}  // namespace kv
