// Windows with Back lists, lost without a clean end, listed by the next start's notice and
// brought back by its link, and a page that would have its session written all the time,
// on the real engine.
#include <gtest/gtest.h>
#include <webkit2/webkit2.h>

#include "app/browser_app.h"
#include "app/program.h"
#include "browser/form1.h"
#include "engine/control/kept_history.h"
#include "engine/control/webkit_browser.h"
#include "session/lost_session.h"
#include "session/session_keeper.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/loopback_engine.h"
#include "support/run_until.h"
#include "support/scripted_desktop_services.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

// The title a page gives itself: markup in it is text, never markup on the notice.
std::string second_title(const std::string& name) {
  return name + " two <img src=/evil>";
}

// Two pages per window; the second reports its onload.
void add_pages(test::LocalServer& server, const std::string& name) {
  server.add_page("/" + name + "1.html", "<title>" + name + " one</title>one");
  server.add_page("/" + name + "2.html", "<title>" + second_title(name) +
                                             "</title><body onload=\"fetch('/" + name +
                                             "-loaded')\">two</body>");
}

WebKitWebView* view_of(Form1& form) {
  return dynamic_cast<WebKitBrowser&>(form.wWeb).view();
}

class LostSessionOnTheEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    test::keep_engine_on_loopback();
    add_pages(server, "a");
    add_pages(server, "b");
  }

  test::LocalServer server;
  test::TempDir folder;
  test::ScriptedDesktopServices services;
  WebKitBrowserFactory browsers;
};

TEST_F(LostSessionOnTheEngine, TheNoticeListsBothWindowsAndReopenBringsBackTheirBackLists) {
  Session lost;
  {
    Program before{services, browsers, folder.path(), [] {}};
    for (const std::string name : {"a", "b"}) {
      Form1& form = before.open_main_window(server.url("/" + name + "1.html"));
      ASSERT_TRUE(test::run_until([&] { return form.get_title() == name + " one"; }));
      form.wWeb.Navigate(server.url("/" + name + "2.html"));
    }
    ASSERT_TRUE(test::run_until([&] {
      return server.requests("/a-loaded") == 1 && server.requests("/b-loaded") == 1 &&
             before.main_window(0).get_title() == second_title("a") &&
             before.main_window(1).get_title() == second_title("b");
    }));
    lost.windows = session_windows_of(before);
  }
  ASSERT_EQ(lost.windows.size(), 2U);
  // What the next start reads is what was written.
  SessionStore store(folder.file("state"));
  ASSERT_TRUE(store.save(lost));
  lost = *store.take_left_session();

  Program after{services, browsers, folder.path(), [] {}};
  SessionKeeper keeper(store, [&] { return session_windows_of(after); });
  Form1& first = after.load_main_window_at("");
  offer_lost_session(
      first, lost,
      [&](const Glib::ustring& address) -> Form1& { return after.load_main_window_at(address); },
      keeper);
  first.show();
  ASSERT_TRUE(test::wait_for_title(view_of(first), "Kestrivane did not close properly"));
  const std::string text = test::eval_js(view_of(first), "document.body.innerText");
  for (const std::string& listed :
       {second_title("a"), server.url("/a2.html"), second_title("b"), server.url("/b2.html")}) {
    EXPECT_NE(text.find(listed), std::string::npos) << listed << " not in: " << text;
  }
  EXPECT_EQ(server.requests("/evil"), 0);

  test::eval_js(
      view_of(first),
      "[...document.links].find(a => a.textContent == 'Reopen these windows').click(); 1");
  ASSERT_TRUE(test::run_until([&] { return after.main_window_count() == 2; }));
  Form1& second = after.main_window(1);
  ASSERT_TRUE(test::run_until([&] {
    return first.wWeb.LocationURL() == server.url("/a2.html") &&
           second.wWeb.LocationURL() == server.url("/b2.html") &&
           first.lblStatus.get_text() == "Done" && second.lblStatus.get_text() == "Done";
  }));
  // The lists came back without a navigation of their own: Back shows they hold a page.
  EXPECT_TRUE(first.cmdBack.get_sensitive());
  EXPECT_TRUE(second.cmdBack.get_sensitive());
  first.cmdBack.clicked();
  second.cmdBack.clicked();
  EXPECT_TRUE(test::run_until([&] {
    return first.wWeb.LocationURL() == server.url("/a1.html") &&
           second.wWeb.LocationURL() == server.url("/b1.html");
  }));
}

TEST_F(LostSessionOnTheEngine, APageRetitlingItselfAndPushingLargeStatesIsWrittenRarelyAndSmall) {
  // A new title every 50 ms, and 90 history states of 30 KB each.
  server.add_page("/noisy.html",
                  "<script>let n = 0; const big = 'x'.repeat(30000); setInterval(() => {"
                  "document.title = 'noisy ' + n; if (n < 90) history.pushState({big, n}, '', "
                  "'/noisy.html?' + n); n++; }, 50);</script>");
  Program program{services, browsers, folder.path(), [] {}};
  SessionStore store(folder.file("state"));
  SessionKeeper keeper(store, [&] { return session_windows_of(program); },
                       {.gather_ms = 100, .windows_ms = 100, .titles_ms = 60000});
  int titles = 0;
  program.windows_changed.connect([&] { keeper.changed(); });
  program.titles_changed.connect([&] {
    ++titles;
    keeper.title_changed();
  });
  Form1& noisy = program.open_main_window(server.url("/noisy.html"));
  ASSERT_TRUE(test::run_until(
      [&] {
        const std::string title = noisy.wWeb.LocationName().raw();
        return title.starts_with("noisy ") && std::stoi(title.substr(6)) >= 90;
      },
      std::chrono::seconds(30)));
  // Every state is pushed; titles alone wait for their own pace.
  const int writes = keeper.writes();
  titles = 0;
  ASSERT_TRUE(test::run_until([&] { return titles >= 10; }, std::chrono::seconds(30)));
  test::run_until([] { return false; }, std::chrono::seconds(1));  // they may come in bursts
  EXPECT_EQ(keeper.writes(), writes);

  // A window change writes, within the cap: over it, the addresses stay.
  Form1& again = program.open_main_window("");
  ASSERT_TRUE(test::run_until([&] { return keeper.writes() > writes; }));
  const auto written = store.take_left_session();
  ASSERT_TRUE(written);
  const std::vector<std::uint8_t>& state = written->windows.at(0).state;
  EXPECT_LE(state.size(), kLargestKeptHistory);
  ASSERT_TRUE(again.wWeb.RestoreSessionState(state));
  EXPECT_GT(
      webkit_back_forward_list_get_length(webkit_web_view_get_back_forward_list(view_of(again))),
      90U);
}

}  // namespace
}  // namespace kv
