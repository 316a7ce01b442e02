#pragma once

// What pages ask of the user, on the real engine with its stand-in camera and a stand-in
// notification service on this test's own session bus.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/label.h>

#include <filesystem>
#include <string>
#include <vector>

#include "desktop/control_name.h"
#include "desktop/glib_handles.h"
#include "desktop/user_paths.h"
#include "engine/control/web_engine.h"
#include "engine/profile/site_permissions.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/run_until.h"

namespace kv {

// The widgets named `name` under `top`, in order.
inline void find_named(Gtk::Widget& top, const char* name, std::vector<Gtk::Widget*>& found) {
  if (control_name_of(&top) == name && top.get_name() == name) found.push_back(&top);
  if (auto* container = dynamic_cast<Gtk::Container*>(&top)) {
    for (Gtk::Widget* child : container->get_children()) find_named(*child, name, found);
  }
}

inline std::vector<Gtk::Widget*> named(Gtk::Widget& top, const char* name) {
  std::vector<Gtk::Widget*> found;
  find_named(top, name, found);
  return found;
}

// org.freedesktop.Notifications as a desktop would offer it, recording each Notify.
class NotificationService {
 public:
  struct Shown {
    std::string app, summary, body;
    guint32 replaces = 0;
  };

  NotificationService() {
    info_.reset(g_dbus_node_info_new_for_xml(
        "<node><interface name='org.freedesktop.Notifications'><method name='Notify'>"
        "<arg type='s'/><arg type='u'/><arg type='s'/><arg type='s'/><arg type='s'/>"
        "<arg type='as'/><arg type='a{sv}'/><arg type='i'/><arg type='u' direction='out'/>"
        "</method></interface></node>",
        nullptr));
    static const GDBusInterfaceVTable vtable{&NotificationService::on_call, nullptr, nullptr, {}};
    registration_ = g_dbus_connection_register_object(bus_.get(), kPath, info_->interfaces[0],
                                                      &vtable, this, nullptr, nullptr);
    owner_ = g_bus_own_name_on_connection(bus_.get(), kName, G_BUS_NAME_OWNER_FLAGS_NONE, nullptr,
                                          nullptr, nullptr, nullptr);
  }

  // The bus outlives this service: a later test's notifications must not reach it.
  ~NotificationService() {
    g_bus_unown_name(owner_);
    g_dbus_connection_unregister_object(bus_.get(), registration_);
  }
  NotificationService(const NotificationService&) = delete;
  NotificationService& operator=(const NotificationService&) = delete;

  // The user clicks the notification with this number (from 1 on).
  void click(guint32 id) {
    g_dbus_connection_emit_signal(bus_.get(), nullptr, kPath, kName, "ActionInvoked",
                                  g_variant_new("(us)", id, "default"), nullptr);
  }

  std::vector<Shown> shown;

 private:
  guint32 last_id_ = 0;
  guint registration_ = 0;
  guint owner_ = 0;
  static constexpr const char* kName = "org.freedesktop.Notifications";
  static constexpr const char* kPath = "/org/freedesktop/Notifications";

  static void on_call(GDBusConnection* /*bus*/, const gchar* /*sender*/, const gchar* /*path*/,
                      const gchar* /*interface*/, const gchar* /*method*/, GVariant* parameters,
                      GDBusMethodInvocation* invocation, gpointer data) {
    auto* self = static_cast<NotificationService*>(data);
    const gchar* app = nullptr;
    const gchar* summary = nullptr;
    const gchar* body = nullptr;
    guint32 replaces = 0;
    g_variant_get(parameters, "(&su&s&s&sasa{sv}i)", &app, &replaces, nullptr, &summary, &body,
                  nullptr, nullptr, nullptr);
    self->shown.push_back({app, summary, body, replaces});
    // A replaced notification keeps its number, as the desktop's service does.
    g_dbus_method_invocation_return_value(
        invocation, g_variant_new("(u)", replaces != 0 ? replaces : ++self->last_id_));
  }

  // Ends with the test's process, with its session bus.
  ObjectRef<GDBusConnection> bus_{g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)};
  std::unique_ptr<GDBusNodeInfo, decltype(&g_dbus_node_info_unref)> info_{nullptr,
                                                                          &g_dbus_node_info_unref};
};

class SiteQuestions : public ::testing::Test {
 protected:
  void SetUp() override {
    webkit_settings_set_enable_mock_capture_devices(shared_web_settings(), TRUE);
    std::filesystem::remove(site_permissions_path());
    server.add_page("/call.html", "<title>Call</title><textarea id='t'></textarea>");
    server.add_page("/elsewhere.html", "<title>Elsewhere</title>");
    origin = "http://127.0.0.1:" + std::to_string(server.port());
  }

  std::vector<Gtk::Widget*> bars() { return named(window.window, "PermissionQuestion"); }

  // Answers the first question; false when there is none.
  bool answer(bool allow, bool remember) {
    if (!test::run_until([&] { return !bars().empty(); })) return false;
    auto keep = named(*bars().front(), "chkRemember");
    if (!keep.empty()) dynamic_cast<Gtk::CheckButton*>(keep.front())->set_active(remember);
    auto button = named(*bars().front(), allow ? "cmdAllow" : "cmdDeny");
    if (button.empty()) return false;
    dynamic_cast<Gtk::Button*>(button.front())->clicked();
    return true;
  }

  std::string question_text() {
    auto labels = named(window.window, "lblQuestion");
    return labels.empty() ? "" : dynamic_cast<Gtk::Label*>(labels.front())->get_text().raw();
  }

  // Starts a camera call on the page; its outcome becomes the title.
  void ask_camera(const char* constraints = "{video: true}") {
    window.eval(std::string("navigator.mediaDevices.getUserMedia(") + constraints +
                ").then(() => document.title = 'given', e => document.title = e.name); 0");
  }

  test::LocalServer server;
  test::EngineWindow window;
  std::string origin;
  SitePermissions store;
};

}  // namespace kv
