#pragma once

#include <webkit2/webkit2.h>

#include <functional>

namespace kv {

// Calls `changed(true)` when a page of `view` takes the whole screen (a video's full
// screen button), `changed(false)` when it gives it back. The engine itself makes the
// view's window full screen and back; `changed` hides and shows what is around the view.
void report_full_screen(WebKitWebView* view, std::function<void(bool)> changed);

// Whether the view's page has had the screen at some time.
bool has_been_full_screen(WebKitWebView* view);

}  // namespace kv
