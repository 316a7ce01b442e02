// Pages that try to get an answer the user did not give, or one given to another site.
#include <set>

#include "site_questions_fixture.h"
#include "support/widget_events.h"

namespace kv {
namespace {

// xdotool on the test display, as the user's own mouse, while this process goes on
// handling what the display sends it; true once it has done all it was told.
bool xdotool(const std::vector<std::string>& args) {
  std::vector<gchar*> argv{const_cast<gchar*>("xdotool")};
  for (const std::string& arg : args) argv.push_back(const_cast<gchar*>(arg.c_str()));
  argv.push_back(nullptr);
  GPid pid = 0;
  if (g_spawn_async(nullptr, argv.data(), nullptr,
                    static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD),
                    nullptr, nullptr, &pid, nullptr) == FALSE) {
    return false;
  }
  struct Ended {
    bool done = false;
    bool ok = false;
  } ended;
  g_child_watch_add(
      pid,
      [](GPid child, gint status, gpointer data) {
        auto* e = static_cast<Ended*>(data);
        e->ok = g_spawn_check_wait_status(status, nullptr) != FALSE;
        e->done = true;
        g_spawn_close_pid(child);
      },
      &ended);
  return test::run_until([&] { return ended.done; }, std::chrono::seconds(30)) && ended.ok;
}

void pause_for(std::chrono::milliseconds time) {
  test::run_until([] { return false; }, time);
}

class HostileQuestionPages : public SiteQuestions {
 protected:
  test::PointerPutBack pointer_put_back;
  bool click() { return xdotool({"click", "1"}); }

  // Where, in the window, Allow comes up for a question of this page about the location.
  bool find_allow(int& x, int& y) {
    window.eval("navigator.geolocation.getCurrentPosition(() => 0, () => 0); 0");
    if (!test::run_until([&] { return !bars().empty(); })) return false;
    Gtk::Widget* allow = named(*bars().front(), "cmdAllow").front();
    const bool placed = test::run_until([&] {
      return allow->get_mapped() && allow->get_allocated_width() > 1 &&
             allow->translate_coordinates(window.window, allow->get_allocated_width() / 2,
                                          allow->get_allocated_height() / 2, x, y) &&
             x > 0 && y > 0;
    });
    return answer(false, false) && placed;
  }
};

// The page's button asks on mouse-down; the user double-clicks it, then plays on.
TEST_F(HostileQuestionPages, AllowTakesNoClickThatBeganBeforeItOrRepeatsOnItsSpot) {
  int x = 0;
  int y = 0;
  ASSERT_TRUE(window.load_uri(server.url("/call.html")));
  ASSERT_TRUE(find_allow(x, y));
  server.add_page("/play.html",
                  "<title>Play</title><button style='position:fixed; left:0; top:0; width:100%;"
                  " height:100%' onmousedown='navigator.geolocation.getCurrentPosition("
                  "() => document.title = \"given\", e => document.title = e.code == 1 ?"
                  " \"denied\" : \"given\", {timeout: 1000})'>Play</button>");
  ASSERT_TRUE(window.load_uri(server.url("/play.html")));
  int left = 0;
  int top = 0;
  window.window.get_window()->get_origin(left, top);
  ASSERT_TRUE(xdotool({"mousemove", "--sync", std::to_string(left + x), std::to_string(top + y)}));
  // The double click's second click comes as the bar does; twelve more follow.
  ASSERT_TRUE(
      xdotool({"click", "1", "sleep", "0.3", "click", "--repeat", "13", "--delay", "250", "1"}));
  pause_for(std::chrono::milliseconds(300));
  EXPECT_EQ(window.eval("document.title"), "Play");
  EXPECT_TRUE(store.all().empty());
  ASSERT_EQ(bars().size(), 1U);
  EXPECT_FALSE(
      dynamic_cast<Gtk::CheckButton*>(named(*bars().front(), "chkRemember").front())->get_active());

  // The user stops, reads, and answers.
  pause_for(std::chrono::milliseconds(1200));
  ASSERT_TRUE(click());
  EXPECT_TRUE(window.wait_for_title("given"));
  EXPECT_TRUE(store.all().empty());
}

// A page whose own button lies along its top edge: while a question is up, the page is
// shorter by the bar, and the user's click on the button reaches it.
TEST_F(HostileQuestionPages, TheQuestionBarCoversNoneOfThePage) {
  server.add_page("/top.html",
                  "<title>Top</title><button style='position:fixed; left:0; top:0; width:100%;"
                  " height:24px' onclick='document.title = \"clicked \" + innerHeight'>Top"
                  "</button>");
  ASSERT_TRUE(window.load_uri(server.url("/top.html")));
  const int before = std::stoi(window.eval("innerHeight"));
  window.eval("navigator.geolocation.getCurrentPosition(() => 0, () => 0); 0");
  ASSERT_TRUE(test::run_until([&] { return !bars().empty() && bars().front()->get_mapped(); }));
  Gtk::Widget& bar = *bars().front();
  ASSERT_TRUE(test::run_until([&] {
    return bar.get_allocated_height() > 1 &&
           std::stoi(window.eval("innerHeight")) == before - bar.get_allocated_height();
  })) << window.eval("innerHeight")
      << " of " << before << " under a bar of " << bar.get_allocated_height();

  // Where the page's button is on the screen: the view's top edge, a little way in.
  int view_x = 0;
  int view_y = 0;
  gtk_widget_translate_coordinates(GTK_WIDGET(window.view()), window.window.Gtk::Widget::gobj(), 40,
                                   6, &view_x, &view_y);
  int left = 0;
  int top = 0;
  window.window.get_window()->get_origin(left, top);
  ASSERT_TRUE(xdotool({"mousemove", "--sync", std::to_string(left + view_x),
                       std::to_string(top + view_y), "click", "1"}));
  EXPECT_TRUE(
      window.wait_for_title("clicked " + std::to_string(before - bar.get_allocated_height())));
  EXPECT_EQ(bars().size(), 1U) << "the question is still up";
}

TEST_F(HostileQuestionPages, WhatAPageAsksOnItsWayOutIsDeniedUnasked) {
  test::LocalServer next;
  next.add_page("/next.html", "<title>Next</title>", "text/html", std::chrono::milliseconds(1000));
  ASSERT_TRUE(window.load_uri(server.url("/call.html")));
  window.eval("location.href = '" + next.url("/next.html") +
              "'; setTimeout(() => navigator.geolocation.getCurrentPosition(() => 0), 200); 0");
  bool asked = false;
  ASSERT_TRUE(test::run_until([&] {
    asked = asked || !bars().empty();
    return window.eval("document.title") == "Next";
  }));
  EXPECT_FALSE(asked);
  EXPECT_TRUE(bars().empty());
}

TEST_F(HostileQuestionPages, AWindowWithNoSiteCannotAskForItsOpener) {
  test::LocalServer slow;
  slow.add_page("/slow.html", "<title>Slow</title>", "text/html", std::chrono::milliseconds(3000));
  std::unique_ptr<test::EngineWindow> made;
  window.browser->NewWindow2.connect([&](WebBrowser*& ppDisp, bool& /*Cancel*/) {
    made = std::make_unique<test::EngineWindow>(*window.browser);
    ppDisp = made->browser.get();
  });
  ASSERT_TRUE(window.load_uri(server.url("/call.html")));
  window.eval(
      "const w = open('" + slow.url("/slow.html") +
      "'); w.stop(); setTimeout(() => w.navigator.geolocation.getCurrentPosition("
      "() => document.title = 'given', e => document.title = 'refused ' + e.code), 300); 0");
  EXPECT_TRUE(window.wait_for_title("refused 1"));
  ASSERT_TRUE(made);
  EXPECT_TRUE(named(made->window, "PermissionQuestion").empty());
}

TEST_F(HostileQuestionPages, AFrameOfAnotherSiteIsNamedWithItsPageAndNotKeptForIt) {
  test::LocalServer other;
  other.add_page("/frame.html",
                 "<script>navigator.geolocation.getCurrentPosition("
                 "() => parent.postMessage('given', '*'), e => parent.postMessage("
                 "e.code == 1 ? 'denied' : 'given', '*'), {timeout: 1000});</script>");
  server.add_page("/framed.html",
                  "<script>onmessage = e => document.title = e.data</script>"
                  "<iframe allow='geolocation' src='" +
                      other.url("/frame.html") + "'></iframe>");
  ASSERT_TRUE(window.load_uri(server.url("/framed.html")));
  ASSERT_TRUE(test::run_until([&] { return bars().size() == 1; }));
  EXPECT_EQ(question_text(), "127.0.0.1:" + std::to_string(other.port()) + ", in a frame of " +
                                 origin_display_name(origin) + ", wants to know your location.");
  ASSERT_TRUE(answer(true, true));
  EXPECT_TRUE(window.wait_for_title("given"));
  EXPECT_TRUE(store.all().empty());
}

TEST_F(HostileQuestionPages, ThousandsOfNotificationsShowAFewAtATimeAsText) {
  NotificationService desktop;
  ASSERT_TRUE(window.load_uri(server.url("/call.html")));
  window.eval("Notification.requestPermission(); 0");
  ASSERT_TRUE(answer(true, false));
  window.eval(
      "for (let i = 0; i < 3000; ++i) new Notification('<b>' + i + '</b>');"
      " document.title = 'sent'; 0");
  ASSERT_TRUE(window.wait_for_title("sent"));
  pause_for(std::chrono::milliseconds(2500));
  // A few at once, then about one a second, each new one in the place of the oldest.
  EXPECT_GE(desktop.shown.size(), 3U);
  EXPECT_LE(desktop.shown.size(), 8U);
  std::size_t new_places = 0;
  for (const auto& shown : desktop.shown) new_places += shown.replaces == 0 ? 1 : 0;
  EXPECT_EQ(new_places, 3U);
  ASSERT_FALSE(desktop.shown.empty());
  EXPECT_EQ(desktop.shown[0].summary, "&lt;b&gt;0&lt;/b&gt;");
}

}  // namespace
}  // namespace kv
