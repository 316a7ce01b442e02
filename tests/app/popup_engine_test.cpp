// Main windows of the real program object on the real engine: page events and the
// pop-up blocker, with pages served from 127.0.0.1.
#include <gtest/gtest.h>

#include "app/program.h"
#include "browser/form1.h"
#include "engine/control/webkit_browser.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/scripted_desktop_services.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

using std::chrono::seconds;

class PopupsOnEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    server.add_page("/page.html",
                    "<html><head><title>  Local Page  </title></head><body>"
                    "<a href='/popup.html'>a link</a></body></html>");
    server.add_page("/popup.html", "<title>Requested Window</title><p>requested</p>");
    server.add_page("/opener.html",
                    "<title>Opener</title><script>window.open('/popup.html');</script>");
    // A window asked for every 10 ms, a thousand times over; then the page says so.
    server.add_page("/drip.html",
                    "<title>Drip</title><a href='/popup.html' target='_blank' style='position:"
                    "absolute; left:0; top:0; width:300px; height:200px'>a link</a><script>"
                    "let n = 0; const t = setInterval(() => { window.open('/popup.html?' + n);"
                    " if (++n == 1000) { clearInterval(t); document.title = 'Drip over'; }"
                    " }, 10);</script>");
    server.add_page("/flood.html",
                    "<title>Flood</title><script>for (let i = 0; i < 100; ++i)"
                    " window.open('/popup.html?' + i);</script>");
  }

  Form1& open_first() {
    Form1& first = program.open_first_main_window();
    // The start page (answered by the tests' local stand-in) settles first.
    EXPECT_TRUE(test::run_until([&] { return first.lblStatus.get_text() == "Done"; }));
    return first;
  }

  void go(Form1& form, const std::string& path) {
    form.cboURL_entry().set_text(server.url(path));
    form.cmdGo.clicked();
  }

  bool finished_loading(Form1& form, const Glib::ustring& caption) {
    return test::run_until(
        [&] { return form.get_title() == caption && form.lblStatus.get_text() == "Done"; });
  }

  test::LocalServer server;
  test::TempDir folder;
  test::ScriptedDesktopServices services;
  WebKitBrowserFactory browsers;
  Program program{services, browsers, folder.path(), [] {}};
};

TEST_F(PopupsOnEngine, APageLoadEndsWithDoneThePageNameAndItsAddress) {
  Form1& first = open_first();
  go(first, "/page.html");
  // DocumentComplete has the last word: the bare page name (the engine strips the
  // title's blanks), not "... - Kestrivane (Beta)".
  ASSERT_TRUE(finished_loading(first, "Local Page"));
  EXPECT_EQ(first.cboURL_entry().get_text(), server.url("/page.html"));
  EXPECT_TRUE(first.cmdBack.get_sensitive());
}

TEST_F(PopupsOnEngine, DisabledPopupOpensAWindowOnTheStartPageAndLoadsNothing) {
  Form1& first = open_first();
  go(first, "/opener.html");
  ASSERT_TRUE(test::run_until([&] { return program.main_window_count() == 2; }));
  Form1& opened = program.main_window(1);
  ASSERT_TRUE(test::run_until([&] { return opened.lblStatus.get_text() == "Done"; }));
  EXPECT_TRUE(opened.get_visible());
  EXPECT_EQ(opened.wWeb.LocationURL(), "http://google.com/");
  // Give a late load every chance to show up.
  (void)test::run_until([] { return false; }, std::chrono::milliseconds(500));
  EXPECT_EQ(server.requests("/popup.html"), 0);
  EXPECT_EQ(program.main_window_count(), 2U);
}

TEST_F(PopupsOnEngine, EnabledPopupLoadsTheRequestedPageInANewWindow) {
  Form1& first = open_first();
  first.cmdPopups.clicked();
  ASSERT_EQ(first.cmdPopups.get_label(), "Pop-ups Enabled");
  go(first, "/opener.html");
  ASSERT_TRUE(test::run_until([&] { return program.main_window_count() == 2; }));
  Form1& opened = program.main_window(1);
  ASSERT_TRUE(finished_loading(opened, "Requested Window"));
  EXPECT_EQ(opened.wWeb.LocationURL(), server.url("/popup.html"));
  EXPECT_EQ(opened.cboURL_entry().get_text(), server.url("/popup.html"));
  EXPECT_EQ(opened.cmdPopups.get_label(), "Pop-ups Disabled");
  EXPECT_EQ(server.requests("/popup.html"), 1);
}

TEST_F(PopupsOnEngine, APageAskingInALoopGetsTwoWindowsAndTheProgramStaysResponsive) {
  Form1& first = open_first();
  first.cmdPopups.clicked();
  go(first, "/flood.html");
  ASSERT_TRUE(finished_loading(first, "Flood"));
  (void)test::run_until([] { return false; }, std::chrono::milliseconds(500));
  EXPECT_EQ(program.main_window_count(), 3U);

  // The requesting window still answers and navigates.
  go(first, "/page.html");
  EXPECT_TRUE(finished_loading(first, "Local Page"));
}

TEST_F(PopupsOnEngine, APageAskingOnATimerGetsFiveWindowsWhileTheUserKeepsControl) {
  Form1& first = open_first();
  go(first, "/drip.html");
  ASSERT_TRUE(
      test::run_until([&] { return first.wWeb.LocationName() == "Drip over"; }, seconds(60)));
  (void)test::run_until([] { return false; }, std::chrono::milliseconds(500));
  EXPECT_EQ(program.main_window_count(), 1U + 5U);

  // A click on a link aimed at a new window is the user's and still opens one.
  test::click(dynamic_cast<WebKitBrowser&>(first.wWeb), 50, 50);
  EXPECT_TRUE(test::run_until([&] { return program.main_window_count() == 7; }));

  go(first, "/page.html");
  EXPECT_TRUE(finished_loading(first, "Local Page"));
  EXPECT_EQ(server.requests("/popup.html"), 0) << "pop-ups stay disabled";
}

}  // namespace
}  // namespace kv
