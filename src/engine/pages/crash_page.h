#pragma once

#include <webkit2/webkit2.h>

#include <string>

#include "engine/pages/notice_scheme.h"

namespace kv {

// Why a page stopped working, in words.
std::string termination_reason_text(WebKitWebProcessTerminationReason reason);

// The notice for the page at `address` whose web process ended; its "Reload" link loads
// that address again. `address` may be empty (nothing had been loaded).
Notice crash_notice(const std::string& address, WebKitWebProcessTerminationReason reason);

// Shows the view again once its next load has finished, so that the engine draws a page
// whose load began before the view was first drawn, or after its web process ended.
void redraw_after_first_load(WebKitWebView* view);

// From now on, when the web process of `view` ends, the view shows the crash notice in
// place of the last picture of its page.
void show_ended_pages(WebKitWebView* view);

// Ends the web process of `view` for a page that follows at once (the user leaves a page
// that holds its process): no crash notice stands in the way of that page. False when
// the view had no process to end.
bool end_web_process_for_next_page(WebKitWebView* view);

}  // namespace kv
