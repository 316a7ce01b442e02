// Paste, Select All, Select None and Undo with the address box focused.
#include <gtest/gtest.h>

#include "page/page_commands.h"
#include "support/fake_form.h"
#include "support/run_until.h"
#include "support/scripted_desktop_services.h"

namespace kv {
namespace {

class AddressBox : public ::testing::Test {
 protected:
  void SetUp() override {
    attach_page_commands(f.form, services);
    f.form.show();
    ASSERT_TRUE(test::run_until([&] { return f.form.get_mapped(); }));
    box().set_text("http://example.org/path");
    box().grab_focus();
    test::flush_events();
    ASSERT_EQ(f.form.active_control_name(), "cboURL");
    f.web.calls.clear();
  }

  Gtk::Entry& box() { return f.form.cboURL_entry(); }

  // Selection start and end, equal when nothing is selected (then both the caret).
  std::pair<int, int> selection() {
    int start = 0;
    int end = 0;
    if (!box().get_selection_bounds(start, end)) start = end = box().get_position();
    return {start, end};
  }

  void expect_page_untouched_and_focus_kept() {
    EXPECT_TRUE(f.web.calls.empty());
    EXPECT_EQ(f.form.active_control_name(), "cboURL");
  }

  test::ScriptedDesktopServices services;
  test::FakeForm f;
};

TEST_F(AddressBox, PasteReplacesTheSelectionWithTheClipboardText) {
  box().select_region(7, 18);  // "example.org"
  services.clipboard = Glib::ustring("kv.test");
  f.form.mnuEditPaste.activate();
  EXPECT_EQ(box().get_text(), "http://kv.test/path");
  EXPECT_EQ(selection(), std::make_pair(14, 14));
  expect_page_untouched_and_focus_kept();
}

TEST_F(AddressBox, PasteInsertsAtTheCaretWhenNothingIsSelected) {
  box().set_position(7);
  services.clipboard = Glib::ustring("www.");
  f.form.mnuEditPaste.activate();
  EXPECT_EQ(box().get_text(), "http://www.example.org/path");
  EXPECT_EQ(selection(), std::make_pair(11, 11));
  expect_page_untouched_and_focus_kept();
}

TEST_F(AddressBox, PasteCountsCharactersNotBytes) {
  box().set_text("ä/ö");
  box().select_region(2, 3);  // "ö"
  services.clipboard = Glib::ustring("ü€");
  f.form.mnuEditPaste.activate();
  EXPECT_EQ(box().get_text(), "ä/ü€");
  EXPECT_EQ(selection(), std::make_pair(4, 4));
}

TEST_F(AddressBox, PasteWithoutClipboardTextRemovesTheSelectionAndKeepsTheRest) {
  for (const auto& clipboard : {std::optional<Glib::ustring>{}, std::optional<Glib::ustring>{""}}) {
    box().set_text("http://example.org/path");
    box().select_region(18, 23);  // "/path"
    services.clipboard = clipboard;
    f.form.mnuEditPaste.activate();
    EXPECT_EQ(box().get_text(), "http://example.org");
    // With no selection, nothing changes at all.
    box().set_position(4);
    f.form.mnuEditPaste.activate();
    EXPECT_EQ(box().get_text(), "http://example.org");
    EXPECT_EQ(selection(), std::make_pair(4, 4));
  }
  expect_page_untouched_and_focus_kept();
}

TEST_F(AddressBox, SelectAllSelectsTheWholeAddressAndSelectNonePutsTheCaretAtTheEnd) {
  box().set_position(3);
  f.form.mnuEditSelectAll.activate();
  EXPECT_EQ(selection(), std::make_pair(0, 23));
  f.form.mnuEditSelectNone.activate();
  EXPECT_EQ(selection(), std::make_pair(23, 23));
  EXPECT_EQ(box().get_text(), "http://example.org/path");
  expect_page_untouched_and_focus_kept();
}

TEST_F(AddressBox, UndoIgnoresTheAddressBox) {
  box().set_text("typed");
  box().select_region(0, 2);
  f.form.mnuEditUndo.activate();
  EXPECT_EQ(box().get_text(), "typed");
  EXPECT_EQ(selection(), std::make_pair(0, 2));
  expect_page_untouched_and_focus_kept();
}

TEST_F(AddressBox, CutAndCopyMoveTheFocusToThePageAndActOnIt) {
  box().select_region(0, 4);
  services.clipboard = Glib::ustring("unchanged");
  f.form.mnuEditCopy.activate();
  EXPECT_EQ(f.form.active_control_name(), "wWeb");
  box().grab_focus();
  f.form.mnuEditCut.activate();
  EXPECT_EQ(f.form.active_control_name(), "wWeb");
  EXPECT_EQ(box().get_text(), "http://example.org/path");
  const auto calls = f.web.calls_of("ExecWB");
  ASSERT_EQ(calls.size(), 2U);
  EXPECT_EQ(calls[0].cmd, 12);
  EXPECT_EQ(calls[1].cmd, 11);
}

}  // namespace
}  // namespace kv
