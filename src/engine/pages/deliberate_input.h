#pragma once

#include <webkit2/webkit2.h>

namespace kv {

// A page that can make the view show something under the pointer (a notice after a
// navigation it started on mouse-down) can have the user's next click, or a key held
// down, land on it. Links that grant something act only on input that began this long
// after the view showed its page.
inline constexpr gint64 kDeliberateInputMicros = 1000 * 1000;

// From now on `view` notes when each page is shown and when a mouse button or a key
// (not its repeats) last went down. Calling it again does nothing more.
void watch_input(WebKitWebView* view);

// Whether the input that activates something in `view` now went down at least
// kDeliberateInputMicros after its page was shown. False for a view not watched.
[[nodiscard]] bool input_is_deliberate(WebKitWebView* view);

}  // namespace kv
