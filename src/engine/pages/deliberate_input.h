#pragma once

#include <webkit2/webkit2.h>

namespace kv {

// From now on `view` notes when each page is shown, and judges each mouse button or key
// (not its repeats) that goes down by the rule of deliberate_press.h: the page must have
// been shown a while, and the pointer must have moved since the last press, or that
// press must be a while ago. Calling it again does nothing more.
void watch_input(WebKitWebView* view);

// Whether the input that activates something in `view` now is such a press, not yet
// used for another activation. False for a view not watched.
[[nodiscard]] bool input_is_deliberate(WebKitWebView* view);

}  // namespace kv
