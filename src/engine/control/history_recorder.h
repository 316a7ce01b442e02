#pragma once

#include <webkit2/webkit2.h>

#include <string>

namespace kv {

// Records in browsing_history() every top-level page that `view` completes: not loads
// that failed or were stopped, not the folder pane's own pages, not about: pages.
void record_completed_pages(WebKitWebView* view);

// Whether a completed page at `address` belongs in the history.
bool recorded_in_history(const std::string& address);

}  // namespace kv
