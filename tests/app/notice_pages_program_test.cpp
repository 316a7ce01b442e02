// A main window of the program whose page's web process ends: caption, status line,
// address box and Refresh, on the real engine.
#include <gtest/gtest.h>
#include <webkit2/webkit2.h>

#include "app/program.h"
#include "browser/form1.h"
#include "engine/control/webkit_browser.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/scripted_desktop_services.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

class NoticesInTheProgram : public ::testing::Test {
 protected:
  void SetUp() override { server.add_page("/work.html", "<title>Work</title><p>work</p>"); }

  Form1& open_window() {
    Form1& form = program.main_window_count() == 0 ? program.open_first_main_window()
                                                   : program.load_main_window(nullptr);
    form.show();
    EXPECT_TRUE(test::run_until([&] { return form.lblStatus.get_text() == "Done"; }));
    return form;
  }

  static bool shows(Form1& form, const Glib::ustring& caption, const std::string& address) {
    return test::run_until([&] {
      return form.get_title() == caption && form.lblStatus.get_text() == "Done" &&
             form.cboURL_entry().get_text() == address;
    });
  }

  void go(Form1& form, const std::string& url) {
    form.cboURL_entry().set_text(url);
    form.cmdGo.clicked();
  }

  test::LocalServer server;
  test::TempDir folder;
  test::ScriptedDesktopServices services;
  WebKitBrowserFactory browsers;
  Program program{services, browsers, folder.path(), [] {}};
};

TEST_F(NoticesInTheProgram, AnEndedPageIsNamedInItsWindowOnlyAndRefreshBringsItBack) {
  Form1& first = open_window();
  Form1& second = open_window();
  const std::string url = server.url("/work.html");
  go(first, url);
  go(second, url);
  ASSERT_TRUE(shows(first, "Work", url));
  ASSERT_TRUE(shows(second, "Work", url));

  webkit_web_view_terminate_web_process(dynamic_cast<WebKitBrowser&>(first.wWeb).view());
  ASSERT_TRUE(shows(first, "Page stopped working", url));
  EXPECT_EQ(second.get_title(), "Work");

  // F5 is the menu item's accelerator; the button calls the same member.
  first.mnuViewRefresh.activate();
  ASSERT_TRUE(shows(first, "Work", url));
  EXPECT_EQ(server.requests("/work.html"), 3);
}

TEST_F(NoticesInTheProgram, AnUnreachablePageIsNamedUnderItsAddressAndRefreshLoadsItLater) {
  unsigned port = 0;
  {
    const test::LocalServer gone;
    port = gone.port();
  }
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/later.html";
  Form1& form = open_window();
  go(form, url);
  ASSERT_TRUE(shows(form, "Cannot reach 127.0.0.1", url));

  test::LocalServer later(nullptr, port);
  later.add_page("/later.html", "<title>Later</title><p>later</p>");
  form.cmdRefresh.clicked();
  ASSERT_TRUE(shows(form, "Later", url));
  EXPECT_EQ(later.requests("/later.html"), 1);
}

}  // namespace
}  // namespace kv
