// Cut and Copy on the real engine: the page's selection survives the address box taking
// the X primary selection, and with nothing selected the clipboard keeps what it had.
#include <gtest/gtest.h>
#include <gtkmm/box.h>
#include <gtkmm/clipboard.h>
#include <gtkmm/entry.h>

#include "engine/webkit_page_commands.h"
#include "support/busy_cores.h"
#include "support/engine_window.h"
#include "support/run_until.h"

namespace kv {
namespace {

constexpr const char* kPage =
    "<html><head><title>Words</title></head><body><p>Quokka marmalade zebra</p>"
    "<input id=f value='field text'></body></html>";
constexpr const char* kSentinel = "SENTINEL";

std::string clipboard_text() {
  return Gtk::Clipboard::get()->wait_for_text().raw();
}

// A page beside an address field, in one window, as in the main window.
class PageAndField {
 public:
  PageAndField() {
    box.pack_start(field, Gtk::PACK_SHRINK);
    box.pack_start(browser.widget(), Gtk::PACK_EXPAND_WIDGET);
    window.add(box);
    window.set_default_size(800, 600);
    window.show_all();
    test::run_until([&] { return window.get_mapped(); });
    // As after a person's click into the window; an earlier test may have left the
    // display's focus nowhere.
    window.get_window()->focus(GDK_CURRENT_TIME);
    (void)test::run_until([&] { return window.has_toplevel_focus(); }, std::chrono::seconds(2));
  }
  std::string eval(const std::string& script) { return test::eval_js(browser.view(), script); }
  std::string selection() { return eval("window.getSelection().toString()"); }
  void focus_page() {
    browser.SetFocus();
    ASSERT_TRUE(test::run_until([&] { return eval("document.hasFocus()") == "true"; }));
  }
  // Everything the page was asked before has been carried out once it answers this.
  void settle() { ASSERT_EQ(eval("'settled'"), "settled"); }

  WebKitBrowser browser;
  Gtk::Window window;
  Gtk::Box box{Gtk::ORIENTATION_VERTICAL};
  Gtk::Entry field;
};

class KeptSelection : public ::testing::TestWithParam<bool> {};

TEST_P(KeptSelection, CopyFromThePageAfterTheFieldTookThePrimarySelection) {
  std::optional<test::BusyCores> busy;
  if (GetParam()) {
    busy.emplace();
    ASSERT_GE(busy->running(), 2U);
  }
  PageAndField w;
  ASSERT_TRUE(test::load_html_and_wait(w.browser.view(), kPage));
  GtkClipboard* primary = gtk_clipboard_get(GDK_SELECTION_PRIMARY);
  w.field.set_text("http://address.test/");
  // The engine learns a moment after its first claim of the primary selection that the
  // page owns it, and only a later loss drops the page's selection: so the page selects
  // and the field takes the primary selection back until the page has lost its selection.
  bool lost = false;
  for (int attempt = 0; attempt < 3 && !lost; ++attempt) {
    w.field.select_region(0, -1);
    ASSERT_EQ(gtk_clipboard_get_owner(primary), G_OBJECT(w.field.gobj()));
    w.focus_page();
    w.browser.ExecWB(olecmd::kClearSelection, olecmd::kDoDefault);
    ASSERT_TRUE(test::run_until([&] { return w.selection().empty(); }));
    w.browser.ExecWB(olecmd::kSelectAll, olecmd::kDoDefault);
    ASSERT_TRUE(test::run_until(
        [&] { return gtk_clipboard_get_owner(primary) != G_OBJECT(w.field.gobj()); }));
    ASSERT_NE(w.selection().find("Quokka"), std::string::npos);
    // The field takes the focus with its text selected, and the primary selection with it.
    w.field.grab_focus();
    w.field.select_region(0, -1);
    lost = test::run_until([&] { return w.selection().empty(); }, std::chrono::seconds(2));
  }
  ASSERT_TRUE(lost) << "the engine no longer drops the page's selection: nothing to show";
  // The page keeps it, shown as an inactive selection.
  EXPECT_EQ(w.eval("CSS.highlights.size"), "1");

  Gtk::Clipboard::get()->set_text(kSentinel);
  for (int copy = 1; copy <= 2; ++copy) {
    SCOPED_TRACE(copy);
    w.browser.SetFocus();
    w.browser.ExecWB(olecmd::kCopy, olecmd::kDoDefault);
    EXPECT_TRUE(test::run_until([] {
      return clipboard_text().find("Quokka marmalade zebra") == 0;
    })) << clipboard_text();
    w.field.grab_focus();
  }
  int start = 0;
  int end = 0;
  EXPECT_TRUE(w.field.get_selection_bounds(start, end)) << "the page must not take it back";
}

INSTANTIATE_TEST_SUITE_P(IdleAndBusy, KeptSelection, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Busy" : "Idle"; });

TEST(NothingSelected, CutAndCopyLeaveTheClipboardAsItWas) {
  PageAndField w;
  ASSERT_TRUE(test::load_html_and_wait(w.browser.view(), kPage));
  w.focus_page();
  Gtk::Clipboard::get()->set_text(kSentinel);
  auto cut_and_copy = [&] {
    w.browser.ExecWB(olecmd::kCopy, olecmd::kDoDefault);
    w.browser.ExecWB(olecmd::kCut, olecmd::kDoDefault);
    w.settle();
    w.settle();
  };

  cut_and_copy();  // nothing was ever selected
  EXPECT_EQ(clipboard_text(), kSentinel);

  w.browser.ExecWB(olecmd::kSelectAll, olecmd::kDoDefault);
  ASSERT_TRUE(test::run_until([&] { return !w.selection().empty(); }));
  w.browser.ExecWB(olecmd::kClearSelection, olecmd::kDoDefault);
  ASSERT_TRUE(test::run_until([&] { return w.selection().empty(); }));
  cut_and_copy();  // after Select None
  EXPECT_EQ(clipboard_text(), kSentinel);

  w.eval("var f = document.getElementById('f'); f.focus(); f.setSelectionRange(3, 3); 'ok'");
  cut_and_copy();  // the caret in a text field, nothing selected in it
  EXPECT_EQ(clipboard_text(), kSentinel);
  EXPECT_EQ(w.eval("document.getElementById('f').value"), "field text");

  // Selected text in the field is copied, so the clipboard above could have changed.
  w.eval("document.getElementById('f').select(); 'ok'");
  w.browser.ExecWB(olecmd::kCopy, olecmd::kDoDefault);
  EXPECT_TRUE(test::run_until([] { return clipboard_text() == "field text"; }));
}

}  // namespace
}  // namespace kv
