// Windows that pages ask for, and the lifetime of the control's view.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/control/webkit_browser.h"
#include "engine/requests/window_request_quota.h"
#include "shell/history_store.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/run_until.h"

namespace kv {
namespace {

using test::EngineWindow;
using test::EventLog;
using test::LocalServer;

std::string page(const std::string& title) {
  return "<html><head><title>" + title + "</title></head><body>" + title + "</body></html>";
}

// A new window as the main window makes one for NewWindow2: a related control that
// starts on its own start page.
struct NewWindow {
  NewWindow(WebKitBrowser& opener, const std::string& start_page)
      : shown(opener), log(*shown.browser) {
    shown.browser->Navigate(start_page);
  }
  EngineWindow shown;
  EventLog log;
};

class NewWindowTest : public ::testing::Test {
 protected:
  NewWindowTest() {
    server.add_page("/opener.html", page("Opener"));
    server.add_page("/start.html", page("Start"));
    server.add_page("/popup.html", page("Popup"));
  }

  void SetUp() override {
    ASSERT_TRUE(test::navigate_and_wait(*opener.browser, opener_log, server.url("/opener.html")));
    opener_log.clear();
  }

  // Runs window.open in the opener's page.
  void open_popup() { opener.eval("window.open('" + server.url("/popup.html") + "'); 0"); }

  // Answers NewWindow2 with a new window and the given Cancel.
  void answer_with_new_window(bool cancel) {
    opener.browser->NewWindow2.connect([this, cancel](WebBrowser*& ppDisp, bool& Cancel) {
      ++requests;
      made = std::make_unique<NewWindow>(*opener.browser, server.url("/start.html"));
      ppDisp = made->shown.browser.get();
      Cancel = cancel;
    });
  }

  test::LogCatcher logs;
  LocalServer server;
  EngineWindow opener;
  EventLog opener_log{*opener.browser};
  std::unique_ptr<NewWindow> made;
  int requests = 0;
};

TEST_F(NewWindowTest, AnAllowedRequestLoadsThePageInTheNewControl) {
  answer_with_new_window(false);
  open_popup();
  const std::string popup = server.url("/popup.html");
  ASSERT_TRUE(test::run_until([&] { return made && made->log.url_at_complete == popup; }));
  EXPECT_EQ(requests, 1);
  WebKitBrowser& control = *made->shown.browser;
  EXPECT_EQ(made->log.name_at_complete, "Popup");
  // The start page that the new window's start-up asked for does not win later on.
  test::eval_js(control.view(), "0");
  EXPECT_EQ(control.LocationURL(), popup);
  EXPECT_EQ(server.requests("/popup.html"), 1);
  // The opener stays where it was.
  EXPECT_EQ(opener.browser->LocationURL(), server.url("/opener.html"));
  EXPECT_EQ(opener_log.count("DownloadBegin"), 0);
  EXPECT_TRUE(logs.messages.empty()) << logs.messages.front();
}

TEST_F(NewWindowTest, ACancelledRequestLoadsNothingAnywhere) {
  answer_with_new_window(true);
  open_popup();
  ASSERT_TRUE(test::run_until(
      [&] { return made && made->log.url_at_complete == server.url("/start.html"); }));
  EXPECT_EQ(requests, 1);
  opener.eval("0");
  made->shown.eval("0");
  EXPECT_EQ(server.requests("/popup.html"), 0);
  EXPECT_EQ(made->shown.browser->LocationURL(), server.url("/start.html"));
  EXPECT_EQ(opener.browser->LocationURL(), server.url("/opener.html"));
}

// A page may open an empty window and write into it; that content is what the window
// shows, not its own start page.
TEST_F(NewWindowTest, AnEmptyWindowKeepsWhatTheOpenerWritesIntoIt) {
  answer_with_new_window(false);
  opener.eval(
      "var w = window.open(''); w.document.write('<title>Written</title><p>hi</p>');"
      "w.document.close(); 0");
  ASSERT_TRUE(test::run_until([&] { return made && made->log.name_at_complete == "Written"; }));
  // Nothing replaces it afterwards.
  opener.eval("0");
  EXPECT_EQ(made->shown.eval("document.body.innerHTML"), "<p>hi</p>");
  EXPECT_EQ(made->shown.browser->LocationName(), "Written");
  EXPECT_EQ(made->log.count("DocumentComplete " + server.url("/start.html")), 0);
}

TEST_F(NewWindowTest, AnUnusableAnswerLoadsNothing) {
  // No control, a control that is not related to the opener, a handler that throws.
  EngineWindow unrelated;
  int round = 0;
  opener.browser->NewWindow2.connect([&](WebBrowser*& ppDisp, bool& /*Cancel*/) {
    ++round;
    if (round == 2) ppDisp = unrelated.browser.get();
    if (round == 3) throw std::runtime_error("no window");
  });
  for (int i = 1; i <= 3; ++i) {
    open_popup();
    ASSERT_TRUE(test::run_until([&] { return round == i; }));
  }
  opener.eval("0");
  EXPECT_EQ(server.requests("/popup.html"), 0);
  EXPECT_EQ(unrelated.browser->LocationURL(), "");
  EXPECT_TRUE(logs.messages.empty()) << logs.messages.front();
}

TEST_F(NewWindowTest, AllowedWindowsComeAndGoWithoutLeaksOrWarnings) {
  answer_with_new_window(false);
  const std::string popup = server.url("/popup.html");
  for (int i = 0; i < 4; ++i) {
    open_popup();
    ASSERT_TRUE(test::run_until([&] { return made && made->log.url_at_complete == popup; }));
    test::Finalized gone(made->shown.browser->view());
    made.reset();
    // The engine lets the view go once its page is closed.
    EXPECT_TRUE(test::run_until([&] { return static_cast<bool>(gone); })) << "round " << i;
  }
  EXPECT_EQ(requests, 4);
  EXPECT_TRUE(logs.messages.empty()) << logs.messages.front();
}

// The engine closes the page of a window that its script closes; the control takes no
// action of its own (the window stays until the user closes it) and must stay sound.
TEST_F(NewWindowTest, APageClosingItsWindowBreaksNothing) {
  server.add_page("/closes.html", "<html><body><script>window.close();</script></body></html>");
  answer_with_new_window(false);
  opener.eval("window.open('" + server.url("/closes.html") + "'); 0");
  ASSERT_TRUE(test::run_until(
      [&] { return made && made->log.url_at_complete == server.url("/closes.html"); }));
  WebKitBrowser& control = *made->shown.browser;
  test::eval_js(control.view(), "window.close(); 0");
  control.Navigate(server.url("/start.html"));
  control.GoBack();
  control.Refresh();
  control.SetDesignMode("On");
  opener.eval("0");
  EXPECT_FALSE(control.LocationURL().empty());
  EXPECT_TRUE(control.Visible());
  EXPECT_EQ(made->shown.window.get_child(), &control.widget());
  made.reset();
  EXPECT_TRUE(logs.messages.empty()) << logs.messages.front();
}

TEST_F(NewWindowTest, APageHasFiveWindowsUnaskedPerLoadWhileClicksStillOpenWindows) {
  server.add_page("/asks.html",
                  "<a href='/popup.html' target='_blank' style='position:absolute; left:0; "
                  "top:0; width:300px; height:200px'>a link</a><script>"
                  "for (let i = 0; i < 8; ++i) window.open('/popup.html?' + i);</script>");
  std::vector<std::unique_ptr<NewWindow>> opened;
  opener.browser->NewWindow2.connect([&](WebBrowser*& ppDisp, bool& Cancel) {
    opened.push_back(std::make_unique<NewWindow>(*opener.browser, server.url("/start.html")));
    ppDisp = opened.back()->shown.browser.get();
    Cancel = true;
  });
  ASSERT_TRUE(test::navigate_and_wait(*opener.browser, opener_log, server.url("/asks.html")));
  EXPECT_EQ(opened.size(), 5U) << "the other three requests are dropped without a window";

  test::click(*opener.browser, 50, 50);
  EXPECT_TRUE(test::run_until([&] { return opened.size() == 6; })) << "a click is the user's";

  // The next page load does not start afresh: the quota is the window's, over time.
  ASSERT_TRUE(test::navigate_and_wait(*opener.browser, opener_log, server.url("/asks.html")));
  opener.eval("0");
  EXPECT_EQ(opened.size(), 6U);
  EXPECT_EQ(server.requests("/popup.html"), 0);
}

// A page that asks on a timer and reloads itself after each window.
TEST_F(NewWindowTest, AReloadingPageGetsNoMoreThanItsQuota) {
  server.add_page("/reloads.html",
                  "<script>setTimeout(() => { window.open('/popup.html'); location.reload(); },"
                  " 50);</script>");
  std::vector<std::unique_ptr<NewWindow>> opened;
  opener.browser->NewWindow2.connect([&](WebBrowser*& ppDisp, bool& Cancel) {
    opened.push_back(std::make_unique<NewWindow>(*opener.browser, server.url("/start.html")));
    ppDisp = opened.back()->shown.browser.get();
    Cancel = true;
  });
  opener.browser->Navigate(server.url("/reloads.html"));
  ASSERT_TRUE(test::run_until([&] { return server.requests("/reloads.html") >= 9; }));
  EXPECT_EQ(opened.size(), 5U);
}

TEST(WindowRequestQuotaTest, FiveUnaskedWindowsPerMinuteWhateverLoadsWhileClicksAlwaysAsk) {
  auto now = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
  WindowRequestQuota quota([&] { return now; });
  // A page that asks every 700 ms, loading itself again in between.
  int opened = 0;
  for (int i = 0; i < 60000 / 700; ++i, now += std::chrono::milliseconds(700)) {
    if (quota.may_ask(false)) {
      quota.window_opened(false);
      ++opened;
    }
  }
  EXPECT_EQ(opened, kUnaskedWindowsPerPeriod);
  EXPECT_TRUE(quota.may_ask(true)) << "a click still asks";
  quota.window_opened(true);
  // A minute after the first window, one more is allowed, and so on.
  now = std::chrono::steady_clock::time_point{} + std::chrono::hours(1) + kUnaskedWindowPeriod;
  EXPECT_TRUE(quota.may_ask(false));
  quota.window_opened(false);
  EXPECT_FALSE(quota.may_ask(false));
}

TEST_F(NewWindowTest, PagesCannotOpenLocalFilesProgramPagesOrDataInNewWindows) {
  answer_with_new_window(false);
  for (const std::string address :
       {"file:///etc/hostname", "kv-shell://history/", "KV-SHELL://history/",
        "data:text/html,<title>Data</title>", "blob:nothing", "javascript:1"}) {
    opener.eval("window.open('" + address + "'); 0");
  }
  server.add_page("/blank.html",
                  "<a href='/popup.html' target='_blank' style='position:absolute; left:0; "
                  "top:0; width:300px; height:200px'>a link</a>");
  ASSERT_TRUE(test::navigate_and_wait(*opener.browser, opener_log, server.url("/blank.html")));
  EXPECT_EQ(requests, 0) << "no window for any of them";
  test::click(*opener.browser, 50, 50);
  ASSERT_TRUE(test::run_until(
      [&] { return made && made->log.url_at_complete == server.url("/popup.html"); }));
  EXPECT_EQ(requests, 1);
  const auto after = read_history(browsing_history().path(), HistoryStore::Clock::now(), 1000);
  for (const HistoryDay& day : after.days) {
    for (const HistoryEntry& entry : day.entries) {
      EXPECT_EQ(entry.address.rfind("http", 0), 0U) << entry.address;
    }
  }
}

TEST(WebKitBrowserLifetime, TheViewGoesWithTheControlInEitherOrder) {
  test::LogCatcher logs;
  LocalServer server;
  server.add_page("/page.html", page("Page"));

  {  // The window (the container) goes first, as in the main window; members called
     // while the window closes do nothing.
    auto shown = std::make_unique<EngineWindow>();
    EventLog log(*shown->browser);
    ASSERT_TRUE(test::navigate_and_wait(*shown->browser, log, server.url("/page.html")));
    test::Finalized gone(shown->browser->view());
    std::unique_ptr<WebKitBrowser> control = std::move(shown->browser);
    shown.reset();
    control->Navigate(server.url("/page.html"));
    control->GoBack();
    control->GoForward();
    control->Refresh();
    control->Stop();
    control->SetDesignMode("On");
    control->SetFocus();
    control->SetVisible(true);
    EXPECT_EQ(control->LocationURL(), server.url("/page.html"));
    EXPECT_EQ(control->LocationName(), "Page");
    test::flush_events();
    EXPECT_FALSE(gone);
    control.reset();
    EXPECT_TRUE(test::run_until([&] { return static_cast<bool>(gone); }));
  }
  {  // The control goes first: its view leaves the window, which stays usable.
    EngineWindow shown;
    EventLog log(*shown.browser);
    ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, server.url("/page.html")));
    test::Finalized gone(shown.browser->view());
    shown.browser.reset();
    EXPECT_EQ(shown.window.get_child(), nullptr);
    EXPECT_TRUE(test::run_until([&] { return static_cast<bool>(gone); }));
  }
  {  // Destroyed in the middle of a load.
    server.add_page("/slow.html", page("Slow"), "text/html", std::chrono::minutes(1));
    auto shown = std::make_unique<EngineWindow>();
    shown->browser->Navigate(server.url("/slow.html"));
    ASSERT_TRUE(test::run_until([&] { return server.requests("/slow.html") == 1; }));
    shown.reset();
    test::flush_events();
  }
  EXPECT_TRUE(logs.messages.empty()) << logs.messages.front();
}

}  // namespace
}  // namespace kv
