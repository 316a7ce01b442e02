// Cut and Copy on the real engine, with the page's selection dropped on the address
// field's claim of the X primary selection, and with nothing selected.
#include <gtest/gtest.h>
#include <gtkmm/box.h>
#include <gtkmm/clipboard.h>
#include <gtkmm/entry.h>
#include <sys/wait.h>

#include <csignal>

#include "support/engine_window.h"
#include "support/run_until.h"

namespace kv {
namespace {

std::string clipboard() {
  return Gtk::Clipboard::get()->wait_for_text().raw();
}

// A page below an address field in one window, as in the main window; busy (the
// parameter), with a spinning process per core for the whole test.
class PageAndField : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    spinners.resize(GetParam() ? g_get_num_processors() : 0);
    for (GPid& pid : spinners) {
      const gchar* argv[] = {"yes", nullptr};
      ASSERT_TRUE(g_spawn_async(
          nullptr, const_cast<gchar**>(argv), nullptr,
          GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL),
          nullptr, nullptr, &pid, nullptr));
    }
    box.pack_start(field, Gtk::PACK_SHRINK);
    box.pack_start(browser.widget());
    window.add(box);
    window.show_all();
    ASSERT_TRUE(test::run_until([&] { return window.get_mapped(); }));
    window.get_window()->focus(GDK_CURRENT_TIME);  // an earlier test may have left it nowhere
    ASSERT_TRUE(
        test::load_html_and_wait(browser.view(), "<p>Quokka zebra</p><input id=f value=abc>"));
    browser.SetFocus();
    ASSERT_TRUE(test::run_until([&] { return eval("document.hasFocus()") == "true"; }));
  }
  void TearDown() override {
    for (GPid pid : spinners) {
      if (pid != 0) kill(pid, SIGTERM), waitpid(pid, nullptr, 0);
    }
  }
  std::string eval(const std::string& script) { return test::eval_js(browser.view(), script); }
  std::string selection() { return eval("getSelection().toString()"); }
  void exec(std::int32_t cmd) { browser.ExecWB(cmd, olecmd::kDoDefault); }

  WebKitBrowser browser;
  Gtk::Window window;
  Gtk::Box box{Gtk::ORIENTATION_VERTICAL};
  Gtk::Entry field;
  std::vector<GPid> spinners;
};

TEST_P(PageAndField, CopyTakesUpThePageSelectionThatTheEngineDropped) {
  // The engine drops the page's selection only on a loss after it has learnt that the
  // page owns the primary selection, so it goes to and fro until it has.
  GtkClipboard* primary = gtk_clipboard_get(GDK_SELECTION_PRIMARY);
  field.set_text("http://address.test/");
  bool dropped = false;
  for (int attempt = 0; attempt < 3 && !dropped; ++attempt) {
    field.select_region(0, -1);
    browser.SetFocus();
    exec(olecmd::kClearSelection);
    exec(olecmd::kSelectAll);
    ASSERT_TRUE(test::run_until([&] { return gtk_clipboard_get_owner(primary) == nullptr; }));
    field.grab_focus();
    field.select_region(0, -1);
    dropped = test::run_until([&] { return selection().empty(); }, std::chrono::seconds(2));
  }
  ASSERT_TRUE(dropped) << "the engine keeps the selection now: nothing left to show";
  EXPECT_EQ(eval("CSS.highlights.size"), "1") << "shown as an inactive selection";
  int start = 0;
  int end = 0;
  EXPECT_TRUE(field.get_selection_bounds(start, end)) << "the page must not take it back";

  Gtk::Clipboard::get()->set_text("SENTINEL");
  browser.SetFocus();
  exec(olecmd::kCopy);
  EXPECT_TRUE(test::run_until([] { return clipboard().find("Quokka zebra") == 0; })) << clipboard();
}

TEST_P(PageAndField, CutAndCopyWithNothingSelectedLeaveTheClipboardAsItWas) {
  Gtk::Clipboard::get()->set_text("SENTINEL");
  for (const char* setup : {"'never selected'", "getSelection().selectAllChildren(document.body)",
                            "f.focus(); f.setSelectionRange(1, 1)"}) {
    eval(setup);
    if (!selection().empty()) exec(olecmd::kClearSelection);  // Select None
    exec(olecmd::kCopy);
    exec(olecmd::kCut);
    eval("'done'");  // answered after the page was asked whether it had a selection
    EXPECT_EQ(clipboard(), "SENTINEL") << setup;
  }
  EXPECT_EQ(eval("f.value"), "abc");
  eval("f.select()");  // with a selection the clipboard does change
  exec(olecmd::kCopy);
  EXPECT_TRUE(test::run_until([] { return clipboard() == "abc"; }));
}

INSTANTIATE_TEST_SUITE_P(IdleAndBusy, PageAndField, ::testing::Bool());

}  // namespace
}  // namespace kv
