// Private windows of the real program object on the real engine: whose cookies each
// window sends, and which windows are private.
#include <gtest/gtest.h>

#include "app/program.h"
#include "browser/form1.h"
#include "engine/control/webkit_browser.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/scripted_desktop_services.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

class PrivateWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string name : {"normal", "private"}) {
      server.add_page("/set-" + name, "<title>set</title>");
      server.add_header("/set-" + name, "Set-Cookie", name + "=1; Max-Age=86400");
    }
    server.add_page("/show",
                    "<script>document.title = 'cookies[' + document.cookie + ']'</script>");
    server.add_page("/opener", "<title>opener</title><script>window.open('/show')</script>");
  }

  // The caption once the page's title is in it, as every window writes it.
  static bool shows(Form1& form, const std::string& title) {
    return test::run_until([&] { return form.wWeb.LocationName() == title; });
  }

  static bool looks_private(Form1& form) {
    return form.wWeb.IsPrivate() && form.WB1.IsPrivate() && form.lblPrivate.get_visible() &&
           form.get_title().raw().ends_with(" (Private)");
  }

  test::LocalServer server;
  test::TempDir folder;
  test::ScriptedDesktopServices services;
  WebKitBrowserFactory browsers;
  Program program{services, browsers, folder.path(), [] {}};
};

TEST_F(PrivateWindows, KeepCookiesApartFromNormalOnesShareThemAndForgetThemWithTheLast) {
  Form1& normal = program.open_main_window(server.url("/set-normal"));
  ASSERT_TRUE(shows(normal, "set"));
  Form1& first = program.open_private_window(server.url("/set-private"));
  ASSERT_TRUE(shows(first, "set"));
  Form1& second = program.open_private_window(server.url("/show"));
  EXPECT_TRUE(shows(second, "cookies[private=1]")) << second.wWeb.LocationName();
  EXPECT_TRUE(looks_private(first) && looks_private(second));
  normal.wWeb.Navigate(server.url("/show"));
  EXPECT_TRUE(shows(normal, "cookies[normal=1]")) << normal.wWeb.LocationName();
  EXPECT_FALSE(normal.wWeb.IsPrivate() || normal.lblPrivate.get_visible());

  first.close();
  second.close();
  ASSERT_TRUE(test::run_until([&] { return program.main_window_count() == 1; }));
  Form1& next = program.open_private_window(server.url("/show"));
  EXPECT_TRUE(shows(next, "cookies[]")) << next.wWeb.LocationName();
}

TEST_F(PrivateWindows, WindowsThatAPrivatePageOpensArePrivate) {
  Form1& hidden = program.open_private_window(server.url("/set-private"));
  ASSERT_TRUE(shows(hidden, "set"));
  hidden.cmdPopups.clicked();
  hidden.wWeb.Navigate(server.url("/opener"));
  ASSERT_TRUE(test::run_until([&] { return program.main_window_count() == 2; }));
  Form1& opened = program.main_window(1);
  EXPECT_TRUE(shows(opened, "cookies[private=1]")) << opened.wWeb.LocationName();
  EXPECT_TRUE(looks_private(opened));

  // A link the user opens in a new window.
  hidden.wWeb.LinkToNewWindow.emit(server.url("/show"));
  ASSERT_EQ(program.main_window_count(), 3U);
  Form1& linked = program.main_window(2);
  EXPECT_TRUE(shows(linked, "cookies[private=1]")) << linked.wWeb.LocationName();
  EXPECT_TRUE(looks_private(linked));
}

}  // namespace
}  // namespace kv
