#include "engine/control/page_dialogs.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/control/script_dialog_box.h"
#include "engine/control/webkit_browser.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/widget_events.h"

namespace kv {
namespace {

using test::EngineWindow;
using test::EventLog;
using test::LocalServer;

class PageDialogsTest : public ::testing::Test {
 protected:
  PageDialogsTest() {
    server.add_page("/plain.html", "<title>Plain</title>text");
    server.add_page("/away.html", "<title>Away</title>elsewhere");
    server.add_page(
        "/form.html",
        "<title>Form</title><script>onbeforeunload = e => e.preventDefault();</script>");
    // Answered once a stuck page would have been ended.
    server.add_page(
        "/slow.html", "<title>Slow</title>at last", "text/html",
        PageDialogs::kHeldPageLimit + PageDialogs::kProbeLimit + std::chrono::milliseconds(500));
  }

  ScriptDialogBox& box() { return shown.browser->script_dialogs(); }

  // Runs `script` in the page a moment later, without waiting for it: it may never end.
  void start(const std::string& script) {
    const std::string later = "setTimeout(() => { " + script + " }, 0)";
    webkit_web_view_evaluate_javascript(shown.view(), later.c_str(), -1, nullptr, nullptr, nullptr,
                                        nullptr, nullptr);
  }

  bool next_dialog() {
    return test::run_until([&] { return box().shown(); });
  }

  // The user types another address while the page holds on: it must come.
  void leave_for_away() {
    ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, server.url("/away.html")));
    EXPECT_EQ(shown.browser->LocationName(), "Away");
    EXPECT_FALSE(box().shown());
    EXPECT_EQ(shown.eval("1 + 1"), "2") << "the view works on";
  }

  LocalServer server;
  EngineWindow shown;
  EventLog log{*shown.browser};
};

TEST_F(PageDialogsTest, AlertConfirmAndPromptAreAskedInTheProgramsBoxNamedByTheSite) {
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, server.url("/plain.html")));
  start(
      "alert('<b>Pay</b> now'); const c = confirm('Sure?'); const p = prompt('Name?', 'x');"
      "const q = prompt('Again?'); document.title = c + ',' + p + ',' + q;");

  ASSERT_TRUE(next_dialog());
  const std::string site = server.url("/").substr(std::string("http://").size());
  EXPECT_EQ(box().lblScriptSite.get_text(), site.substr(0, site.size() - 1) + " says:");
  EXPECT_EQ(box().lblScriptMessage.get_text(), "<b>Pay</b> now") << "text, never markup";
  EXPECT_FALSE(box().cmdScriptCancel.get_visible());
  EXPECT_FALSE(box().chkScriptSilence.get_visible()) << "a page's first dialog";
  box().cmdScriptOk.clicked();

  ASSERT_TRUE(next_dialog());
  EXPECT_EQ(box().lblScriptMessage.get_text(), "Sure?");
  EXPECT_TRUE(box().chkScriptSilence.get_visible());
  box().cmdScriptOk.clicked();

  ASSERT_TRUE(next_dialog());
  EXPECT_EQ(box().txtScriptInput.get_text(), "x");
  box().txtScriptInput.set_text("Ann");
  box().cmdScriptOk.clicked();

  ASSERT_TRUE(next_dialog());
  box().cmdScriptCancel.clicked();
  EXPECT_TRUE(shown.wait_for_title("true,Ann,null"));
  EXPECT_FALSE(box().shown());
}

// A page that answers every dialog with the next one: the user leaves it by typing an
// address, or by keeping its dialogs away and then leaving.
TEST_F(PageDialogsTest, AnEndlessRunOfAlertsNeverHoldsTheWindow) {
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, server.url("/plain.html")));
  start("for (;;) alert('Your computer is infected');");
  ASSERT_TRUE(next_dialog());
  box().cmdScriptOk.clicked();
  ASSERT_TRUE(next_dialog());
  leave_for_away();

  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, server.url("/plain.html")));
  start("for (;;) alert('again');");
  ASSERT_TRUE(next_dialog());
  box().cmdScriptOk.clicked();
  ASSERT_TRUE(next_dialog());
  box().chkScriptSilence.set_active(true);
  box().cmdScriptOk.clicked();
  EXPECT_FALSE(test::run_until([&] { return box().shown(); }, std::chrono::milliseconds(500)))
      << "its later dialogs are kept away";
  leave_for_away();
}

TEST_F(PageDialogsTest, APageWhoseScriptNeverEndsIsLeftWhenTheUserNavigates) {
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, server.url("/plain.html")));
  start("for (;;) {}");
  leave_for_away();
}

// "Leave this page?" waits for the user's answer however long they take: it is theirs.
TEST_F(PageDialogsTest, APageThatAsksWhetherToLeaveItKeepsTheUsersStay) {
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, server.url("/form.html")));
  GdkWindow* page = gtk_widget_get_window(GTK_WIDGET(shown.view()));
  test::button_event(GDK_BUTTON_PRESS, page, 5, 5);  // pages that were never used may not ask
  test::release_button(page, 5, 5);
  shown.browser->Navigate(server.url("/away.html"));
  ASSERT_TRUE(next_dialog());
  EXPECT_EQ(box().cmdScriptCancel.get_label(), "_Stay");
  EXPECT_FALSE(test::run_until(
      [&] { return !box().shown(); },
      PageDialogs::kHeldPageLimit + PageDialogs::kProbeLimit + std::chrono::milliseconds(500)));
  box().cmdScriptCancel.clicked();
  test::flush_events();
  EXPECT_EQ(shown.eval("document.title"), "Form");
  EXPECT_EQ(server.requests("/away.html"), 0);
}

TEST_F(PageDialogsTest, ASlowPageIsWaitedForWithoutEndingTheOneShown) {
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, server.url("/plain.html")));
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, server.url("/slow.html")));
  EXPECT_EQ(server.requests("/slow.html"), 1) << "asked for again after an end";
}

// A page that calls print() over and over gets one dialog, and another only after the
// user's own press in the page.
TEST_F(PageDialogsTest, APagesPrintOpensOneDialogUntilTheUserPressesInThePage) {
  int dialogs = 0;
  // After the control's own handler: it sees the requests let through, and stands in for
  // the print dialog.
  g_signal_connect(
      shown.view(), "print",
      G_CALLBACK(+[](WebKitWebView*, WebKitPrintOperation*, gpointer count) -> gboolean {
        ++*static_cast<int*>(count);
        return TRUE;
      }),
      &dialogs);
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, server.url("/plain.html")));
  start("for (let i = 0; i < 20; ++i) print(); document.title = 'printed';");
  ASSERT_TRUE(shown.wait_for_title("printed"));
  EXPECT_EQ(dialogs, 1);

  GdkWindow* page = gtk_widget_get_window(GTK_WIDGET(shown.view()));
  test::button_event(GDK_BUTTON_PRESS, page, 5, 5);
  test::release_button(page, 5, 5);
  start("print(); print(); document.title = 'again';");
  ASSERT_TRUE(shown.wait_for_title("again"));
  EXPECT_EQ(dialogs, 2);
  g_signal_handlers_disconnect_by_data(shown.view(), &dialogs);
}

}  // namespace
}  // namespace kv
