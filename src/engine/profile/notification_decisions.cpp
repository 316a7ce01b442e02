#include "engine/profile/notification_decisions.h"

#include "engine/profile/site_permissions.h"

namespace kv {
namespace {

void free_origins(GList* origins) {
  g_list_free_full(origins, reinterpret_cast<GDestroyNotify>(webkit_security_origin_unref));
}

using OwnedOrigins = std::unique_ptr<GList, decltype(&free_origins)>;

void on_initialize(WebKitWebContext* context, gpointer /*data*/) {
  GList* allowed = nullptr;
  GList* denied = nullptr;
  for (const PermissionDecision& decision : SitePermissions().all()) {
    if (decision.permission != SitePermission::kNotifications) continue;
    WebKitSecurityOrigin* origin = webkit_security_origin_new_for_uri(decision.origin.c_str());
    if (origin == nullptr) continue;
    if (decision.allowed) {
      allowed = g_list_prepend(allowed, origin);
    } else {
      denied = g_list_prepend(denied, origin);
    }
  }
  const OwnedOrigins allowed_owner(allowed, &free_origins);
  const OwnedOrigins denied_owner(denied, &free_origins);
  webkit_web_context_initialize_notification_permissions(context, allowed, denied);
}

}  // namespace

void offer_notification_decisions(WebKitWebContext* context) {
  g_signal_connect(context, "initialize-notification-permissions", G_CALLBACK(on_initialize),
                   nullptr);
}

}  // namespace kv
