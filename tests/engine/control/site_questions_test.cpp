// What pages ask of the user, on the real engine with its stand-in camera and a stand-in
// notification service on this test's own session bus.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/label.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "desktop/control_name.h"
#include "desktop/glib_handles.h"
#include "desktop/user_paths.h"
#include "engine/control/web_engine.h"
#include "engine/profile/site_permissions.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

// The widgets named `name` under `top`, in order.
void find_named(Gtk::Widget& top, const char* name, std::vector<Gtk::Widget*>& found) {
  if (control_name_of(&top) == name && top.get_name() == name) found.push_back(&top);
  if (auto* container = dynamic_cast<Gtk::Container*>(&top)) {
    for (Gtk::Widget* child : container->get_children()) find_named(*child, name, found);
  }
}

std::vector<Gtk::Widget*> named(Gtk::Widget& top, const char* name) {
  std::vector<Gtk::Widget*> found;
  find_named(top, name, found);
  return found;
}

// org.freedesktop.Notifications as a desktop would offer it, recording each Notify.
class NotificationService {
 public:
  struct Shown {
    std::string app, summary, body;
  };

  NotificationService() {
    info_.reset(g_dbus_node_info_new_for_xml(
        "<node><interface name='org.freedesktop.Notifications'><method name='Notify'>"
        "<arg type='s'/><arg type='u'/><arg type='s'/><arg type='s'/><arg type='s'/>"
        "<arg type='as'/><arg type='a{sv}'/><arg type='i'/><arg type='u' direction='out'/>"
        "</method></interface></node>",
        nullptr));
    static const GDBusInterfaceVTable vtable{&NotificationService::on_call, nullptr, nullptr, {}};
    g_dbus_connection_register_object(bus_.get(), kPath, info_->interfaces[0], &vtable, this,
                                      nullptr, nullptr);
    g_bus_own_name_on_connection(bus_.get(), kName, G_BUS_NAME_OWNER_FLAGS_NONE, nullptr, nullptr,
                                 nullptr, nullptr);
  }

  // The user clicks the notification with this number (from 1 on).
  void click(guint32 id) {
    g_dbus_connection_emit_signal(bus_.get(), nullptr, kPath, kName, "ActionInvoked",
                                  g_variant_new("(us)", id, "default"), nullptr);
  }

  std::vector<Shown> shown;

 private:
  static constexpr const char* kName = "org.freedesktop.Notifications";
  static constexpr const char* kPath = "/org/freedesktop/Notifications";

  static void on_call(GDBusConnection* /*bus*/, const gchar* /*sender*/, const gchar* /*path*/,
                      const gchar* /*interface*/, const gchar* /*method*/, GVariant* parameters,
                      GDBusMethodInvocation* invocation, gpointer data) {
    auto* self = static_cast<NotificationService*>(data);
    const gchar* app = nullptr;
    const gchar* summary = nullptr;
    const gchar* body = nullptr;
    g_variant_get(parameters, "(&su&s&s&sasa{sv}i)", &app, nullptr, nullptr, &summary, &body,
                  nullptr, nullptr, nullptr);
    self->shown.push_back({app, summary, body});
    g_dbus_method_invocation_return_value(
        invocation, g_variant_new("(u)", static_cast<guint32>(self->shown.size())));
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

TEST_F(SiteQuestions, TheCameraIsGivenOnlyAfterAllowAndOnlyAKeptAnswerIsRemembered) {
  ASSERT_TRUE(window.load_uri(server.url("/call.html")));
  ask_camera();
  ASSERT_TRUE(test::run_until([&] { return bars().size() == 1; }));
  EXPECT_EQ(question_text(), origin_display_name(origin) + " wants to use your camera.");
  ASSERT_TRUE(answer(false, false));
  ASSERT_TRUE(window.wait_for_title("NotAllowedError"));
  EXPECT_TRUE(bars().empty());
  EXPECT_FALSE(store.decision(origin, SitePermission::kCamera).has_value());

  // Not remembered: asked again, and this time allowed and kept.
  ask_camera("{video: true, audio: true}");
  ASSERT_TRUE(test::run_until([&] { return bars().size() == 1; }));
  EXPECT_EQ(question_text(),
            origin_display_name(origin) + " wants to use your camera and microphone.");
  ASSERT_TRUE(answer(true, true));
  ASSERT_TRUE(window.wait_for_title("given"));
  EXPECT_EQ(store.decision(origin, SitePermission::kCamera), true);
  EXPECT_EQ(store.decision(origin, SitePermission::kMicrophone), true);

  // Kept: no question, and the page's own query says so.
  ASSERT_TRUE(window.load_uri(server.url("/call.html")));
  ask_camera();
  ASSERT_TRUE(window.wait_for_title("given"));
  EXPECT_TRUE(bars().empty());
  window.eval("navigator.permissions.query({name: 'camera'}).then(s => document.title = s.state)");
  EXPECT_TRUE(window.wait_for_title("granted"));
}

TEST_F(SiteQuestions, APageThatAsksOverAndOverThenLeavesLeavesNoQuestionBehind) {
  ASSERT_TRUE(window.load_uri(server.url("/call.html")));
  window.eval(
      "for (let i = 0; i < 50; ++i) {"
      "  navigator.mediaDevices.getUserMedia({audio: true}).catch(e => document.title = e.name);"
      "  Notification.requestPermission();"
      "} 0");
  const int page_height = gtk_widget_get_allocated_height(GTK_WIDGET(window.view()));
  // One bar for each kind asked, however often.
  ASSERT_TRUE(test::run_until([&] { return bars().size() == 2; }));
  test::flush_events();
  EXPECT_EQ(bars().size(), 2U);
  // Over the page, not pushing it aside.
  EXPECT_EQ(gtk_widget_get_allocated_height(GTK_WIDGET(window.view())), page_height);
  window.eval("location.href = '/elsewhere.html'; 0");
  ASSERT_TRUE(window.wait_for_title("Elsewhere"));
  EXPECT_TRUE(bars().empty());
  EXPECT_TRUE(store.all().empty());
}

TEST_F(SiteQuestions, AnAllowedSitesNotificationReachesTheDesktopNamedByItsHost) {
  NotificationService desktop;
  ASSERT_TRUE(window.load_uri(server.url("/call.html")));
  window.eval(
      "Notification.requestPermission().then(p => {"
      "  const n = new Notification('Hello', {body: '<b>Bold</b> & plain'});"
      "  n.onclick = () => document.title = 'clicked';"
      "  document.title = p; }); 0");
  ASSERT_TRUE(test::run_until([&] { return bars().size() == 1; }));
  EXPECT_EQ(question_text(), origin_display_name(origin) + " wants to show notifications.");
  ASSERT_TRUE(answer(true, true));
  ASSERT_TRUE(test::run_until([&] { return !desktop.shown.empty(); }));
  EXPECT_EQ(desktop.shown[0].app, "127.0.0.1");
  EXPECT_EQ(desktop.shown[0].summary, "Hello");
  EXPECT_EQ(desktop.shown[0].body, "&lt;b&gt;Bold&lt;/b&gt; &amp; plain");
  desktop.click(1);
  EXPECT_TRUE(window.wait_for_title("clicked"));

  // Taken back (as the Internet Options program does): the site shows nothing more.
  ASSERT_TRUE(store.forget(origin, SitePermission::kNotifications));
  window.eval("new Notification('Again'); document.title = 'sent'; 0");
  ASSERT_TRUE(window.wait_for_title("sent"));
  test::run_until([] { return false; }, std::chrono::milliseconds(300));
  EXPECT_EQ(desktop.shown.size(), 1U);
}

// A new run of the program on a profile with kept answers.
TEST_F(SiteQuestions, KeptAnswersHoldInTheNextRunWithoutAQuestion) {
  test::TempDir profile;
  const SitePermissions kept(profile.file("data/kestrivane/permissions.ini"));
  ASSERT_TRUE(kept.remember(origin, SitePermission::kCamera, true));
  ASSERT_TRUE(kept.remember(origin, SitePermission::kNotifications, true));
  ASSERT_TRUE(kept.remember(origin, SitePermission::kMicrophone, false));
  server.add_page("/kept.html",
                  "<script>Promise.all(["
                  "  navigator.permissions.query({name: 'camera'}).then(s => s.state),"
                  "  navigator.permissions.query({name: 'microphone'}).then(s => s.state),"
                  "  navigator.mediaDevices.getUserMedia({video: true}).then(() => 'given',"
                  "      e => e.name),"
                  "  navigator.mediaDevices.getUserMedia({audio: true}).then(() => 'given',"
                  "      e => e.name),"
                  "  Notification.permission])"
                  ".then(r => document.title = r.join(' '));</script>");
  ObjectRef<GSubprocessLauncher> launcher(
      g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_STDOUT_PIPE));
  g_subprocess_launcher_setenv(launcher.get(), "XDG_DATA_HOME", profile.file("data").c_str(), TRUE);
  g_subprocess_launcher_setenv(launcher.get(), "XDG_CACHE_HOME", profile.file("cache").c_str(),
                               TRUE);
  g_subprocess_launcher_setenv(launcher.get(), "KV_PROBE_MOCK_CAPTURE", "1", TRUE);
  const std::string url = server.url("/kept.html");
  const char* argv[] = {KV_PROFILE_PROBE, url.c_str(), nullptr};
  ObjectRef<GSubprocess> probe(g_subprocess_launcher_spawnv(launcher.get(), argv, nullptr));
  ASSERT_TRUE(probe);
  // Read while the loop runs: the probe's page comes from this process's server.
  struct Printed {
    OwnedChars text;
    bool done = false;
  } printed;
  g_subprocess_communicate_utf8_async(
      probe.get(), nullptr, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        auto* p = static_cast<Printed*>(data);
        g_subprocess_communicate_utf8_finish(G_SUBPROCESS(source), result, out(p->text), nullptr,
                                             nullptr);
        p->done = true;
      },
      &printed);
  // The probe gives up after 30 s: a question it could not answer ends it with no title.
  ASSERT_TRUE(test::run_until([&] { return printed.done; }, std::chrono::seconds(60)));
  const std::string title = printed.text ? g_strchomp(printed.text.get()) : "";
  EXPECT_EQ(title, "granted prompt given NotAllowedError granted");
}

}  // namespace
}  // namespace kv
