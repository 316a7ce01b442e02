#pragma once

#include <webkit2/webkit2.h>

namespace kv {

// Gives each new web process of `context` the remembered notification decisions, so
// that a page's Notification.permission tells them without asking.
void offer_notification_decisions(WebKitWebContext* context);

}  // namespace kv
