#include "engine/requests/desktop_notifications.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "desktop/glib_handles.h"
#include "engine/profile/site_permissions.h"

namespace kv {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
// Kept for a click at most this many; a page that shows more has its oldest forgotten.
constexpr std::size_t kMostKept = 64;
// A site has at most this many on the screen: a new one takes the place of its oldest,
// as the desktop's own programs do.
constexpr std::size_t kOnScreenPerSite = 3;
// About one a second per site, with a few at once; the rest are dropped.
constexpr double kBurstPerSite = 5.0;
constexpr double kPerSecondPerSite = 1.0;

struct Shown {
  ObjectRef<WebKitNotification> notification;
  std::string origin;
  GWeakRef view{};
  guint32 id = 0;  // the service's, once it answered
  bool closed_by_page = false;

  Shown() { g_weak_ref_init(&view, nullptr); }
  ~Shown() { g_weak_ref_clear(&view); }
  Shown(const Shown&) = delete;
  Shown& operator=(const Shown&) = delete;
  Shown(Shown&&) = delete;
  Shown& operator=(Shown&&) = delete;
};

// What a site may still send now.
struct SiteAllowance {
  double left = kBurstPerSite;
  gint64 counted_at = 0;
};

struct Service {
  ObjectRef<GDBusConnection> bus;
  guint64 next_key = 1;
  std::map<guint64, std::unique_ptr<Shown>> shown;  // by our own key, oldest first
  std::map<std::string, SiteAllowance> allowances;  // by origin
};

Service& service() {
  static Service* const made = new Service;  // lives as long as the program
  return *made;
}

Shown* find_by_id(guint32 id, guint64* key = nullptr) {
  for (auto& [k, s] : service().shown) {
    if (s->id == id && id != 0) {
      if (key != nullptr) *key = k;
      return s.get();
    }
  }
  return nullptr;
}

void close_on_desktop(guint32 id) {
  if (!service().bus || id == 0) return;
  g_dbus_connection_call(service().bus.get(), kService, kPath, kService, "CloseNotification",
                         g_variant_new("(u)", id), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
                         nullptr, nullptr);
}

void on_service_signal(GDBusConnection* /*bus*/, const gchar* /*sender*/, const gchar* /*path*/,
                       const gchar* /*interface*/, const gchar* signal, GVariant* parameters,
                       gpointer /*data*/) {
  guint32 id = 0;
  if (g_strcmp0(signal, "ActionInvoked") == 0 &&
      g_variant_is_of_type(parameters, G_VARIANT_TYPE("(us)")) != FALSE) {
    const gchar* action = nullptr;
    g_variant_get(parameters, "(u&s)", &id, &action);
    Shown* shown = find_by_id(id);
    if (shown == nullptr) return;
    ObjectRef<GtkWidget> view(static_cast<GtkWidget*>(g_weak_ref_get(&shown->view)));
    if (view) {
      GtkWidget* window = gtk_widget_get_toplevel(view.get());
      if (GTK_IS_WINDOW(window)) gtk_window_present(GTK_WINDOW(window));
    }
    webkit_notification_clicked(shown->notification.get());
  } else if (g_strcmp0(signal, "NotificationClosed") == 0 &&
             g_variant_is_of_type(parameters, G_VARIANT_TYPE("(uu)")) != FALSE) {
    guint32 reason = 0;
    g_variant_get(parameters, "(uu)", &id, &reason);
    guint64 key = 0;
    if (find_by_id(id, &key) == nullptr) return;
    // Taken out first, so that the page's close handler does not close it again.
    std::unique_ptr<Shown> gone = std::move(service().shown[key]);
    service().shown.erase(key);
    webkit_notification_close(gone->notification.get());
  }
}

GDBusConnection* bus() {
  Service& s = service();
  if (!s.bus) {
    s.bus.reset(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
    if (!s.bus) return nullptr;
    g_dbus_connection_signal_subscribe(s.bus.get(), nullptr, kService, nullptr, kPath, nullptr,
                                       G_DBUS_SIGNAL_FLAGS_NONE, &on_service_signal, nullptr,
                                       nullptr);
  }
  return s.bus.get();
}

void on_notified(GObject* connection, GAsyncResult* result, gpointer data) {
  const auto key = static_cast<guint64>(reinterpret_cast<guintptr>(data));
  OwnedVariant reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(connection), result, nullptr));
  auto found = service().shown.find(key);
  if (found == service().shown.end()) return;
  if (!reply) {
    service().shown.erase(found);
    return;
  }
  g_variant_get(reply.get(), "(u)", &found->second->id);
  if (found->second->closed_by_page) {
    close_on_desktop(found->second->id);
    service().shown.erase(found);
  }
}

void on_closed_by_page(WebKitNotification* notification, gpointer /*data*/) {
  for (auto it = service().shown.begin(); it != service().shown.end(); ++it) {
    if (it->second->notification.get() != notification) continue;
    if (it->second->id == 0) {
      it->second->closed_by_page = true;  // closed once the service has named it
      return;
    }
    close_on_desktop(it->second->id);
    service().shown.erase(it);
    return;
  }
}

constexpr const char* kAllowedForRunKey = "kv-notifications-allowed-for-run";

// Kept on the view's context, so that what a private window allowed goes with the
// private windows' context and never reaches a normal window.
std::set<std::string>& allowed_for_run(WebKitWebView* view) {
  GObject* context = G_OBJECT(webkit_web_view_get_context(view));
  auto* allowed =
      static_cast<std::set<std::string>*>(g_object_get_data(context, kAllowedForRunKey));
  if (allowed == nullptr) {
    allowed = new std::set<std::string>;
    g_object_set_data_full(context, kAllowedForRunKey, allowed,
                           [](gpointer data) { delete static_cast<std::set<std::string>*>(data); });
  }
  return *allowed;
}

bool may_show(WebKitWebView* view, const std::string& origin) {
  if (origin.empty()) return false;
  if (allowed_for_run(view).contains(origin)) return true;
  // A private window never reads the remembered decisions.
  if (webkit_web_view_is_ephemeral(view) != FALSE) return false;
  return SitePermissions().decision(origin, SitePermission::kNotifications).value_or(false);
}

bool within_allowance(const std::string& origin) {
  SiteAllowance& allowance = service().allowances[origin];
  const gint64 now = g_get_monotonic_time();
  if (allowance.counted_at != 0) {
    const double seconds = static_cast<double>(now - allowance.counted_at) / G_USEC_PER_SEC;
    allowance.left = std::min(kBurstPerSite, allowance.left + seconds * kPerSecondPerSite);
  }
  allowance.counted_at = now;
  if (allowance.left < 1.0) return false;
  allowance.left -= 1.0;
  return true;
}

// The service's number of the site's oldest notification when the site has its fill on
// the screen, for the new one to replace; 0 when there is room. Nothing when the oldest
// has no number yet: the new one is dropped.
std::optional<guint32> place_for(const std::string& origin) {
  Service& s = service();
  std::size_t on_screen = 0;
  auto oldest = s.shown.end();
  for (auto it = s.shown.begin(); it != s.shown.end(); ++it) {
    if (it->second->origin != origin || it->second->closed_by_page) continue;
    if (on_screen++ == 0) oldest = it;
  }
  if (on_screen < kOnScreenPerSite) return 0U;
  const guint32 id = oldest->second->id;
  if (id == 0) return std::nullopt;
  // Taken out first, so that the page's close handler does not close the new one.
  std::unique_ptr<Shown> replaced = std::move(oldest->second);
  s.shown.erase(oldest);
  webkit_notification_close(replaced->notification.get());
  return id;
}

std::string host_of(const std::string& uri) {
  OwnedUri parsed(g_uri_parse(uri.c_str(), G_URI_FLAGS_NONE, nullptr));
  const char* host = parsed ? g_uri_get_host(parsed.get()) : nullptr;
  return host != nullptr ? host : "";
}

gboolean on_show(WebKitWebView* view, WebKitNotification* notification, gpointer /*data*/) {
  const char* uri = webkit_web_view_get_uri(view);
  const std::string page = uri != nullptr ? uri : "";
  const std::string origin = origin_of(page);
  // Handled either way: the engine's own handler would show what we dropped.
  if (!may_show(view, origin)) return TRUE;
  GDBusConnection* connection = bus();
  if (connection == nullptr) return TRUE;
  if (!within_allowance(origin)) return TRUE;
  const auto replaces = place_for(origin);
  if (!replaces) return TRUE;
  Service& s = service();
  while (s.shown.size() >= kMostKept) s.shown.erase(s.shown.begin());
  const guint64 key = s.next_key++;
  auto shown = std::make_unique<Shown>();
  shown->notification = ref_object(notification);
  shown->origin = origin;
  g_weak_ref_set(&shown->view, view);
  g_signal_connect(notification, "closed", G_CALLBACK(on_closed_by_page), nullptr);
  s.shown.emplace(key, std::move(shown));

  const char* title = webkit_notification_get_title(notification);
  const char* body = webkit_notification_get_body(notification);
  GVariantBuilder actions;
  g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
  g_variant_builder_add(&actions, "s", "default");
  g_variant_builder_add(&actions, "s", "Show");
  GVariantBuilder hints;
  g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string("kestrivane"));
  const std::string host = host_of(page);
  // Notification services may read markup in either text; a page's text is shown as text.
  OwnedChars plain_title(g_markup_escape_text(title != nullptr ? title : "", -1));
  OwnedChars plain_body(g_markup_escape_text(body != nullptr ? body : "", -1));
  g_dbus_connection_call(connection, kService, kPath, kService, "Notify",
                         g_variant_new("(susssasa{sv}i)", host.c_str(), *replaces, "kestrivane",
                                       plain_title.get(), plain_body.get(), &actions, &hints, -1),
                         G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &on_notified,
                         reinterpret_cast<gpointer>(static_cast<guintptr>(key)));
  return TRUE;
}

}  // namespace

void show_notifications_on_desktop(WebKitWebView* view) {
  g_signal_connect(view, "show-notification", G_CALLBACK(on_show), nullptr);
}

void allow_notifications_for_run(WebKitWebView* view, const std::string& origin) {
  if (!origin.empty()) allowed_for_run(view).insert(origin);
}

}  // namespace kv
