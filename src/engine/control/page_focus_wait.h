#pragma once

#include <webkit2/webkit2.h>

#include <chrono>
#include <functional>
#include <memory>

namespace kv {

// Runs `command` once the page in `view` reports that it has the keyboard focus, or
// after `limit` at the latest; never when `alive` has expired by then. The page learns
// of a focus change a moment after its view (later still on a busy machine), and an
// editing command that reaches it before then can find no selection to act on.
void run_when_page_has_focus(WebKitWebView* view, std::weak_ptr<bool> alive,
                             std::function<void()> command, std::chrono::milliseconds limit);

}  // namespace kv
