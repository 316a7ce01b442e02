#pragma once

#include <webkit2/webkit2.h>

#include "desktop/glib_handles.h"

namespace kv {

// A new window's first page waits mostly for its sandboxed web process to start (the
// D-Bus proxy, bubblewrap, the engine's own start-up). From this call on, one view
// whose web process already runs is kept ready for the next top-level control: made a
// moment after this call, and again after each is taken.
void keep_spare_view();

// The ready view, now the caller's (on the shared context and settings, nothing loaded,
// an empty Back list); empty when none is ready.
ObjectRef<WebKitWebView> take_spare_view();

}  // namespace kv
