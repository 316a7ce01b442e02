#pragma once

#include <webkit2/webkit2.h>

#include <string>

#include "shell/history_store.h"

namespace kv {

// Records in browsing_history() every top-level page that `view` completes: not loads
// that failed or were stopped, not the folder pane's own pages, not about: pages.
void record_completed_pages(WebKitWebView* view);

// The program has just asked `view` for `address` on the user's behalf: an address they
// typed or chose (kChosen), or their own Back, Forward or Refresh (kLink). The engine
// reports a page's own script navigations just as it reports the program's loads, so
// only a navigation to the address the program asked for is the user's; every other
// one made without the user's click or key in the page is the page's own. Nothing for a
// view whose pages are not recorded.
void expect_users_navigation(WebKitWebView* view, const std::string& address, VisitKind kind);

// Whether a completed page at `address` belongs in the history.
bool recorded_in_history(const std::string& address);

}  // namespace kv
