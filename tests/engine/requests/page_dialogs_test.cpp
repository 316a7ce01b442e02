#include "engine/requests/page_dialogs.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/requests/script_dialog_box.h"
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

// The page on localhost, its frames on 127.0.0.1: two sites, as the engine tells them.
class FrameDialogsTest : public PageDialogsTest {
 protected:
  FrameDialogsTest() {
    server.add_page("/outer.html", "<title>Outer</title><iframe src='" +
                                       frames.url("/adframe.html") + "'></iframe>");
    frames.add_page("/adframe.html",
                    "<script>const pin = prompt('Bank security check: enter your PIN');"
                    "fetch('/answered-' + pin);</script>");
  }

  std::string page_address(const std::string& path) const {
    return "http://localhost:" + std::to_string(server.port()) + path;
  }
  std::string page_site() const { return "localhost:" + std::to_string(server.port()); }
  std::string frame_site() const { return "127.0.0.1:" + std::to_string(frames.port()); }

  // Answers each dialog with OK until `done`, and gives the box's first line of each.
  std::vector<std::string> speakers_until(const std::function<bool()>& done) {
    std::vector<std::string> seen;
    while (test::run_until([&] { return box().shown() || done(); }) && box().shown()) {
      seen.push_back(box().lblScriptSite.get_text());
      box().cmdScriptOk.clicked();
    }
    return seen;
  }

  LocalServer frames;
};

TEST_F(FrameDialogsTest, AFrameOfAnotherSiteIsNamedAsSuchAndThePageAndItsOwnFramesByThePage) {
  // The frame's question holds the page's load until answered.
  shown.browser->Navigate(page_address("/outer.html"));
  ASSERT_TRUE(next_dialog());
  EXPECT_EQ(box().lblScriptSite.get_text(), frame_site() + ", in a frame of this page, says:");
  EXPECT_EQ(box().lblScriptMessage.get_text(), "Bank security check: enter your PIN");
  box().txtScriptInput.set_text("1234");
  box().cmdScriptOk.clicked();
  EXPECT_TRUE(test::run_until([&] { return frames.requests("/answered-1234") == 1; }));

  start("alert('from the page')");
  ASSERT_TRUE(next_dialog());
  EXPECT_EQ(box().lblScriptSite.get_text(), page_site() + " says:");
  EXPECT_EQ(box().lblScriptMessage.get_text(), "from the page");
  box().cmdScriptOk.clicked();

  start(
      "const own = document.createElement('iframe'); own.src = '/plain.html';"
      "own.onload = () => own.contentWindow.alert('from its own frame');"
      "document.body.append(own);");
  ASSERT_TRUE(next_dialog());
  EXPECT_EQ(box().lblScriptSite.get_text(), page_site() + " says:");
  EXPECT_EQ(box().lblScriptMessage.get_text(), "from its own frame");
  box().cmdScriptOk.clicked();
}

// Every way a frame has to a dialog function: its own after deleting it, those of new
// frames of its site, a message that runs code while it is read or that is marked as
// the program marks the page's own, and a function kept from a frame that has since come
// to show a page of the page's own site.
TEST_F(FrameDialogsTest, AFrameFindsNoWayToSpeakWithThePagesName) {
  server.add_page("/tricks.html", "<title>Tricks</title><iframe src='" +
                                      frames.url("/tricks.html") + "'></iframe>");
  frames.add_page("/blank.html", "<title>Blank</title>");
  frames.add_page(
      "/tricks.html",
      "<body><script>(async () => {"
      "const frame = src => new Promise(done => { const f = document.createElement('iframe');"
      "  if (src) f.src = src; f.onload = () => done(f); document.body.append(f);"
      "  if (!src) done(f); });"
      "try { parent.alert('through the parent'); } catch (e) {}"
      "const fresh = await frame(null);"
      "fresh.contentWindow.alert.call(window, 'a new frame');"
      "fresh.contentWindow.confirm('a new frame asks');"
      "alert({ toString() { fresh.remove(); return 'a message that runs code'; } });"
      "alert('\\x1e' + crypto.randomUUID() + '\\x1fm" +
          page_address("") +
          "\\x1fmarked');"
          "const kept = await frame('/blank.html');"
          "const keptAlert = kept.contentWindow.alert;"
          "kept.onload = () => { try { keptAlert('kept from a page of this site'); } catch (e) {}"
          "  delete window.alert;"
          "  try { (Object.getPrototypeOf(window).alert || Window.prototype.alert).call(window,"
          "    'from the prototype'); } catch (e) {}"
          "  fetch('/tricks-done'); };"
          "kept.src = '" +
          page_address("/plain.html") +
          "';"
          "})();</script>");
  shown.browser->Navigate(page_address("/tricks.html"));
  const auto speakers = speakers_until([&] { return frames.requests("/tricks-done") == 1; });
  EXPECT_EQ(frames.requests("/tricks-done"), 1);
  EXPECT_EQ(speakers,
            std::vector<std::string>(4, frame_site() + ", in a frame of this page, says:"));
}

// Sandboxed, or of a data: address, a frame has no site to be named by.
TEST_F(FrameDialogsTest, AFrameOfNoSiteIsRefusedAndALineSaysSo) {
  server.add_page(
      "/no-site.html",
      "<title>No site</title><script>const answers = [];"
      "onmessage = e => { answers.push(e.data); document.title = answers.sort().join(); };"
      "</script><iframe sandbox='allow-scripts allow-modals' src='" +
          frames.url("/sandboxed.html") +
          "'></iframe>"
          "<iframe src=\"data:text/html,<script>parent.postMessage('data ' + confirm('Sure?'),"
          " '*')</script>\"></iframe>");
  frames.add_page("/sandboxed.html",
                  "<script>parent.postMessage('sandboxed ' + prompt('PIN?'), '*')</script>");
  shown.browser->Navigate(page_address("/no-site.html"));
  EXPECT_TRUE(shown.wait_for_title("data false,sandboxed null")) << box().lblScriptSite.get_text();
  EXPECT_FALSE(box().shown());
  Gtk::Widget* notice = nullptr;
  std::vector<Gtk::Widget*> widgets;
  test::collect_widgets(shown.browser->widget(), widgets);
  for (Gtk::Widget* widget : widgets) {
    if (widget->get_name() == "RefusedDialogNotice") notice = widget;
  }
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(test::run_until([&] { return notice->get_mapped(); }));

  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, server.url("/plain.html")));
  EXPECT_FALSE(notice->get_mapped()) << "it goes with its page";
}

// While the page the user asked for is on its way, the page still shown speaks as itself.
TEST_F(FrameDialogsTest, APageOnItsWayOutIsNotNamedByTheNextOne) {
  server.add_page("/next.html", "<title>Next</title>", "text/html", std::chrono::seconds(20));
  frames.add_page("/blank.html", "<title>Blank</title>");
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, frames.url("/blank.html")));
  start("setTimeout(() => alert('Sign in again'), 500);");
  shown.browser->Navigate(page_address("/next.html"));
  ASSERT_TRUE(next_dialog());
  EXPECT_EQ(box().lblScriptSite.get_text(), frame_site() + " says:");
  box().cmdScriptOk.clicked();
}

// The engine asks no frame of another site whether to leave: the page is named rightly.
TEST_F(FrameDialogsTest, AFrameOfAnotherSiteCannotHoldThePage) {
  server.add_page("/holds.html",
                  "<title>Holds</title><iframe style='width:400px;height:300px'"
                  " src='" +
                      frames.url("/holds.html") + "'></iframe>");
  frames.add_page("/holds.html",
                  "<body style='height:100%'><script>onbeforeunload = e => e.preventDefault();"
                  "</script></body>");
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, page_address("/holds.html")));
  test::click(*shown.browser, 100, 100);  // pages that were never used may not ask
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, server.url("/away.html")));
  EXPECT_EQ(shown.browser->LocationName(), "Away");
}

}  // namespace
}  // namespace kv
