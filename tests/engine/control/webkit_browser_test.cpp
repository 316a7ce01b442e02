#include "engine/control/webkit_browser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "desktop/internet_settings.h"
#include "engine/requests/script_dialog_box.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/run_until.h"

namespace kv {
namespace {

using test::EngineWindow;
using test::EventLog;
using test::LocalServer;

std::string page(const std::string& title, const std::string& body = "text") {
  return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
}

class WebKitBrowserTest : public ::testing::Test {
 protected:
  WebKitBrowserTest() {
    server.add_page("/plain.html", page("Plain page"));
    server.add_page("/second.html", page("Second"));
    server.add_page("/untitled.html", "<html><body>no title here</body></html>");
  }

  WebKitBrowser& control() { return *shown.browser; }

  test::LogCatcher logs;
  LocalServer server;
  EngineWindow shown;
  EventLog log{*shown.browser};
};

// The event names without the progress reports, which interleave with the others.
std::vector<std::string> without_progress(const std::vector<std::string>& names) {
  std::vector<std::string> kept;
  std::copy_if(names.begin(), names.end(), std::back_inserter(kept),
               [](const std::string& name) { return name != "ProgressChange"; });
  return kept;
}

TEST_F(WebKitBrowserTest, NavigateRaisesTheLoadEventsInOrder) {
  const std::string url = server.url("/plain.html");
  ASSERT_TRUE(test::navigate_and_wait(control(), log, url));

  EXPECT_EQ(without_progress(log.sequence()),
            (std::vector<std::string>{"DownloadBegin", "NavigateComplete2", "TitleChange",
                                      "DownloadComplete", "DocumentComplete"}));
  EXPECT_EQ(log.count("NavigateComplete2 " + url), 1);
  EXPECT_EQ(log.count("DocumentComplete " + url), 1);
  EXPECT_EQ(log.count("TitleChange Plain page"), 1);
  // The title is known by the time the document completes, and names the page.
  EXPECT_EQ(log.url_at_complete, url);
  EXPECT_EQ(log.name_at_complete, "Plain page");

  // Progress runs inside the load, never backwards, and ends at 100 of 100.
  const auto& entries = log.entries;
  const auto begin = std::find(entries.begin(), entries.end(), "DownloadBegin");
  const auto end = std::find(entries.begin(), entries.end(), "DownloadComplete");
  std::vector<int> progress;
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (it->rfind("ProgressChange ", 0) != 0) continue;
    EXPECT_TRUE(it > begin && it < end) << *it;
    int value = 0;
    int max = 0;
    ASSERT_EQ(std::sscanf(it->c_str(), "ProgressChange %d %d", &value, &max), 2);
    EXPECT_EQ(max, 100);
    progress.push_back(value);
  }
  ASSERT_FALSE(progress.empty());
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(progress.back(), 100);
}

TEST_F(WebKitBrowserTest, APageWithoutTitleIsNamedByItsAddress) {
  ASSERT_TRUE(test::navigate_and_wait(control(), log, server.url("/plain.html")));
  log.clear();
  const std::string url = server.url("/untitled.html");
  ASSERT_TRUE(test::navigate_and_wait(control(), log, url));
  EXPECT_EQ(log.url_at_complete, url);
  EXPECT_EQ(log.name_at_complete, url);
  EXPECT_EQ(control().LocationName(), url);
  // The previous page's title is cleared, not carried over.
  EXPECT_EQ(log.count("TitleChange Plain page"), 0);
  EXPECT_EQ(log.count("TitleChange "), 1);
}

TEST_F(WebKitBrowserTest, AHandlerThatThrowsDoesNotStopTheOthers) {
  control().DownloadBegin.connect([] { throw std::runtime_error("handler failed"); });
  control().TitleChange.connect([](const Glib::ustring&) { throw std::runtime_error("no"); });
  ASSERT_TRUE(test::navigate_and_wait(control(), log, server.url("/plain.html")));
  EXPECT_EQ(log.count("DownloadBegin"), 1);
  EXPECT_EQ(log.count("DownloadComplete"), 1);
}

TEST_F(WebKitBrowserTest, BackForwardAndRefreshWalkTheControlsHistory) {
  const std::string first = server.url("/plain.html");
  const std::string second = server.url("/second.html");
  ASSERT_TRUE(test::navigate_and_wait(control(), log, first));
  ASSERT_TRUE(test::navigate_and_wait(control(), log, second));

  int before = log.count("DocumentComplete");
  control().GoBack();
  ASSERT_TRUE(test::wait_complete(log, before));
  EXPECT_EQ(log.url_at_complete, first);
  EXPECT_EQ(log.name_at_complete, "Plain page");

  before = log.count("DocumentComplete");
  control().GoForward();
  ASSERT_TRUE(test::wait_complete(log, before));
  EXPECT_EQ(log.url_at_complete, second);

  // Refresh asks the server again.
  const int asked = server.requests("/second.html");
  before = log.count("DocumentComplete");
  control().Refresh();
  ASSERT_TRUE(test::wait_complete(log, before));
  EXPECT_EQ(log.url_at_complete, second);
  EXPECT_EQ(server.requests("/second.html"), asked + 1);
}

TEST_F(WebKitBrowserTest, StopEndsALoadThatWouldTakeAMinute) {
  server.add_page("/slow.html", page("Slow"), "text/html", std::chrono::minutes(1));
  const std::string first = server.url("/plain.html");
  ASSERT_TRUE(test::navigate_and_wait(control(), log, first));
  log.clear();

  control().Navigate(server.url("/slow.html"));
  ASSERT_TRUE(test::run_until([&] { return server.requests("/slow.html") == 1; }));
  control().Stop();
  // A stopped load ends like a failed one: DownloadComplete and DocumentComplete, with
  // the page that was shown before still shown.
  ASSERT_TRUE(test::wait_complete(log, 0));
  EXPECT_EQ(log.count("NavigateComplete2"), 0);
  EXPECT_EQ(log.url_at_complete, first);
  EXPECT_EQ(without_progress(log.sequence()),
            (std::vector<std::string>{"DownloadBegin", "DownloadComplete", "DocumentComplete"}));
}

TEST_F(WebKitBrowserTest, GoHomeOpensTheConfiguredHomePage) {
  server.add_page("/home.html", page("Home"));
  ASSERT_TRUE(save_home_page(server.url("/home.html")));
  const int before = log.count("DocumentComplete");
  control().GoHome();
  const bool completed = test::wait_complete(log, before);
  save_home_page("");
  ASSERT_TRUE(completed);
  EXPECT_EQ(log.url_at_complete, server.url("/home.html"));
  EXPECT_EQ(log.name_at_complete, "Home");
}

TEST_F(WebKitBrowserTest, DesignModeIsSetOnTheDocumentAndRunsNoScript) {
  ASSERT_TRUE(test::navigate_and_wait(control(), log, server.url("/plain.html")));
  control().SetDesignMode("On");
  EXPECT_EQ(shown.eval("document.designMode"), "on");
  control().SetDesignMode("Off");
  EXPECT_EQ(shown.eval("document.designMode"), "off");

  // The value is only ever a value.
  for (const char* value : {"on'; document.title = 'owned'; '", "on\"); document.title = (\"owned",
                            "on`; document.title = `owned", "on\\'; document.title = 'owned"}) {
    control().SetDesignMode(value);
    EXPECT_EQ(shown.eval("document.title"), "Plain page") << value;
    EXPECT_EQ(shown.eval("document.designMode"), "off") << value;
  }
}

TEST_F(WebKitBrowserTest, StatusTextNamesTheLinkUnderThePointerOnce) {
  server.add_page("/box.svg",
                  "<svg xmlns='http://www.w3.org/2000/svg' width='200' height='50'>"
                  "<rect width='200' height='50'/></svg>",
                  "image/svg+xml");
  server.add_page("/links.html",
                  "<html><body style='margin:0'>"
                  "<a href='/target.html' style='display:block;width:200px;height:100px'>link</a>"
                  "<img src='/box.svg' style='display:block'></body></html>");
  ASSERT_TRUE(test::navigate_and_wait(control(), log, server.url("/links.html")));
  log.clear();
  // What the engine reports under the pointer, link or not.
  int targets = 0;
  g_signal_connect(control().view(), "mouse-target-changed",
                   G_CALLBACK(+[](WebKitWebView*, WebKitHitTestResult*, guint, gpointer count) {
                     ++*static_cast<int*>(count);
                   }),
                   &targets);
  const auto move = [&](double x, double y) {
    const int before = targets;
    test::move_pointer(control(), x, y);
    return test::run_until([&] { return targets > before; });
  };
  const std::string over = "StatusTextChange " + server.url("/target.html");

  ASSERT_TRUE(move(50, 50));
  EXPECT_EQ(log.entries, std::vector<std::string>{over});
  ASSERT_TRUE(move(400, 300));
  EXPECT_EQ(log.entries, (std::vector<std::string>{over, "StatusTextChange "}));
  // Other things that are not links (a picture, the page again) report nothing more.
  ASSERT_TRUE(move(50, 125));
  ASSERT_TRUE(move(400, 300));
  EXPECT_EQ(log.count("StatusTextChange"), 2);
  // Back over the link reports it again.
  ASSERT_TRUE(move(60, 60));
  EXPECT_EQ(log.count(over), 2);
  EXPECT_EQ(log.count("StatusTextChange"), 3);
  g_signal_handlers_disconnect_by_data(control().view(), &targets);
}

TEST_F(WebKitBrowserTest, FocusAndVisibilityActOnTheView) {
  gtk_window_set_focus(shown.window.gobj(), nullptr);
  control().SetFocus();
  EXPECT_TRUE(gtk_widget_is_focus(GTK_WIDGET(control().view())));

  control().SetVisible(false);
  EXPECT_FALSE(control().Visible());
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(control().view())));
  control().SetVisible(true);
  EXPECT_TRUE(control().Visible());
  EXPECT_TRUE(control().widget().get_visible());
}

// The page replaces what the control asks of it; the control reads the engine's own.
TEST_F(WebKitBrowserTest, APageCannotAnswerForItsTitleOrFocus) {
  server.add_page("/liar.html",
                  "<html><head><title>Real</title></head><body>text<script>window.reads = 0;"
                  "Object.defineProperty(document, 'title', {get() { ++window.reads;"
                  " return 'Fake'; }});"
                  "Document.prototype.hasFocus = document.hasFocus = function () {"
                  " ++window.reads; return true; };</script></body></html>");
  ASSERT_TRUE(test::navigate_and_wait(control(), log, server.url("/liar.html")));
  gtk_window_set_focus(shown.window.gobj(), nullptr);
  control().SetFocus();
  control().ExecWB(olecmd::kSelectAll, olecmd::kDoDefault);
  ASSERT_TRUE(test::run_until([&] { return shown.eval("String(getSelection())") == "text"; }));
  EXPECT_EQ(shown.eval("window.reads"), "0");
  EXPECT_EQ(log.count("TitleChange Fake"), 0);
  EXPECT_EQ(control().LocationName(), "Real");
}

TEST_F(WebKitBrowserTest, ScriptAddressesRunNothing) {
  const std::string url = server.url("/plain.html");
  ASSERT_TRUE(test::navigate_and_wait(control(), log, url));
  log.clear();
  for (const char* address :
       {"javascript:alert(1)", "javascript:document.title='ran'",
        " JavaScript:document.title='ran'", "\x01java\tscr\nipt:document.title='ran'",
        "JAVASCRIPT:document.title='ran'"}) {
    control().Navigate(address);
    EXPECT_EQ(shown.eval("document.title"), "Plain page") << address;
  }
  EXPECT_TRUE(log.entries.empty());
  EXPECT_EQ(control().LocationURL(), url);
  EXPECT_FALSE(control().script_dialogs().shown()) << "the alert ran";
  // The control still navigates afterwards.
  ASSERT_TRUE(test::navigate_and_wait(control(), log, server.url("/second.html")));
}

TEST_F(WebKitBrowserTest, OddAddressesNeitherCrashNorStopTheControl) {
  // Members on a control that never loaded anything.
  EXPECT_EQ(control().LocationURL(), "");
  EXPECT_EQ(control().LocationName(), "");
  control().GoBack();
  control().GoForward();
  control().Stop();
  control().Refresh();
  control().SetDesignMode("On");

  const std::string base = server.url("/");
  const std::vector<std::string> addresses = {
      "",
      std::string(100000, 'a'),
      base + std::string(100000, 'x'),
      base +
          "a\x01"
          "b\x7f\n\tc\x1b[0m",
      base + "\xff\xfe\xc3(invalid",
      std::string("\xc3\x28\xa0\xa1", 4),
      "not an address at all",
      "http://127.0.0.1:1/refused",
      "http://[::1",
      "file:///no/such/file.html",
  };
  const std::string good = server.url("/plain.html");
  for (const auto& address : addresses) {
    const std::string shown_as = address.substr(0, 40);
    control().Navigate(address);
    // Whatever the engine made of it, a good address loads next.
    EXPECT_TRUE(test::navigate_and_wait(control(), log, good)) << shown_as;
    EXPECT_EQ(log.url_at_complete, good) << shown_as;
  }
  EXPECT_TRUE(logs.messages.empty()) << logs.messages.front();
}

}  // namespace
}  // namespace kv
