// What pages ask of the user, on the real engine with its stand-in camera and a stand-in
// notification service on this test's own session bus.
#include <gio/gio.h>

#include "site_questions_fixture.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

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

TEST_F(SiteQuestions, APrivateWindowAsksWhatIsRememberedAndOffersToRememberNothing) {
  ASSERT_TRUE(store.remember(origin, SitePermission::kCamera, true));
  test::EngineWindow hidden(true);
  ASSERT_TRUE(hidden.load_uri(server.url("/call.html")));
  hidden.eval("navigator.permissions.query({name: 'camera'}).then(s => document.title = s.state)");
  EXPECT_TRUE(hidden.wait_for_title("prompt"));
  hidden.eval(
      "navigator.mediaDevices.getUserMedia({video: true, audio: true}).then(() => "
      "document.title = 'given'); 0");
  ASSERT_TRUE(
      test::run_until([&] { return named(hidden.window, "PermissionQuestion").size() == 1; }));
  const auto keep = named(hidden.window, "chkRemember");
  ASSERT_EQ(keep.size(), 1U);
  EXPECT_FALSE(keep.front()->get_visible());
  // Not even a tick left on the hidden box keeps the answer.
  dynamic_cast<Gtk::CheckButton*>(keep.front())->set_active(true);
  dynamic_cast<Gtk::Button*>(named(hidden.window, "cmdAllow").front())->clicked();
  ASSERT_TRUE(hidden.wait_for_title("given"));
  EXPECT_EQ(store.all().size(), 1U);
  EXPECT_FALSE(store.decision(origin, SitePermission::kMicrophone).has_value());
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
  // Above the page, which gives up just their room.
  Gtk::Widget* stack = named(window.window, "PermissionQuestions").front();
  EXPECT_TRUE(test::run_until([&] {
    return stack->get_allocated_height() >= bars().front()->get_allocated_height() * 2 &&
           gtk_widget_get_allocated_height(GTK_WIDGET(window.view())) ==
               page_height - stack->get_allocated_height();
  })) << "bars "
      << stack->get_allocated_height() << ", page "
      << gtk_widget_get_allocated_height(GTK_WIDGET(window.view())) << " of " << page_height;
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
