#include "page/page_commands.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/fake_form.h"
#include "support/run_until.h"
#include "support/scripted_desktop_services.h"

namespace kv {
namespace {

using test::FakeWebBrowser;

struct Row {
  const char* control;
  std::function<void(Form1&)> use;
  std::int32_t cmd;
  bool in_out;      // passes a 16-bit 0 as input and as output
  bool focus_page;  // moves the focus to the page first
};

void activate(Gtk::MenuItem& item) {
  item.activate();
}

std::vector<Row> direct_rows() {
  return {
      {"mnuFileSaveAs", [](Form1& f) { activate(f.mnuFileSaveAs); }, 4, true, false},
      {"mnuFilePageSetup", [](Form1& f) { activate(f.mnuFilePageSetup); }, 8, false, true},
      {"mnuFilePrint", [](Form1& f) { activate(f.mnuFilePrint); }, 6, false, false},
      {"cmdPrint", [](Form1& f) { f.cmdPrint.clicked(); }, 6, false, false},
      {"mnuFilePrintPreview", [](Form1& f) { activate(f.mnuFilePrintPreview); }, 7, true, false},
      {"mnuProperties", [](Form1& f) { activate(f.mnuProperties); }, 10, false, false},
      {"mnuEditCut", [](Form1& f) { activate(f.mnuEditCut); }, 11, false, true},
      {"mnuEditCopy", [](Form1& f) { activate(f.mnuEditCopy); }, 12, false, true},
      {"mnuEditFind", [](Form1& f) { activate(f.mnuEditFind); }, 42, false, false},
  };
}

void expect_two_args(const FakeWebBrowser::Call& call, std::int32_t cmd) {
  EXPECT_EQ(call.cmd, cmd);
  EXPECT_EQ(call.opt, 0);
  EXPECT_FALSE(call.in.has_value());
  EXPECT_FALSE(call.out.has_value());
}

void expect_int16_zero(const std::optional<ExecArg>& arg) {
  ASSERT_TRUE(arg.has_value());
  ASSERT_TRUE(std::holds_alternative<std::int16_t>(*arg));
  EXPECT_EQ(std::get<std::int16_t>(*arg), 0);
}

class PageCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    attach_page_commands(f.form, services);
    show();
  }

  void show() {
    f.form.show();
    ASSERT_TRUE(test::run_until([&] { return f.form.get_mapped(); }));
    test::flush_events();
    f.web.calls.clear();
  }

  // Paste, Select All, Select None and Undo: routed to the focused control.
  void use_routed_commands_and_undo() {
    f.form.mnuEditPaste.activate();
    f.form.mnuEditSelectAll.activate();
    f.form.mnuEditSelectNone.activate();
    f.form.mnuEditUndo.activate();
  }

  test::ScriptedDesktopServices services;
  test::FakeForm f;
};

TEST_F(PageCommands, EachDirectRowSendsItsCommandOptionArgumentsAndFocusStep) {
  for (const Row& row : direct_rows()) {
    SCOPED_TRACE(row.control);
    f.web.calls.clear();
    // The address box has the focus; none of these rows look at it.
    f.form.cboURL_entry().grab_focus();
    row.use(f.form);

    const std::vector<std::string> expected = row.focus_page
                                                  ? std::vector<std::string>{"SetFocus", "ExecWB"}
                                                  : std::vector<std::string>{"ExecWB"};
    ASSERT_EQ(f.web.members(), expected);
    const FakeWebBrowser::Call& call = f.web.calls.back();
    EXPECT_EQ(call.cmd, row.cmd);
    EXPECT_EQ(call.opt, 0);
    if (row.in_out) {
      expect_int16_zero(call.in);
      expect_int16_zero(call.out);
    } else {
      expect_two_args(call, row.cmd);
    }
    if (row.focus_page) {
      EXPECT_EQ(f.form.active_control_name(), "wWeb");
    } else {
      EXPECT_EQ(f.form.active_control_name(), "cboURL");
    }
    EXPECT_TRUE(f.pane.calls.empty());
  }
}

TEST_F(PageCommands, ShortcutsRunTheSameCommandsAsTheirMenuItems) {
  const std::vector<std::pair<guint, std::int32_t>> shortcuts{
      {GDK_KEY_p, 6}, {GDK_KEY_x, 11}, {GDK_KEY_c, 12}};
  for (auto [key, cmd] : shortcuts) {
    SCOPED_TRACE(cmd);
    f.web.calls.clear();
    ASSERT_TRUE(gtk_accel_groups_activate(G_OBJECT(f.form.gobj()), key, GDK_CONTROL_MASK));
    const auto calls = f.web.calls_of("ExecWB");
    ASSERT_EQ(calls.size(), 1U);
    expect_two_args(calls.front(), cmd);
  }
  // Paste and Select All go by the focus: with the page focused they reach the page.
  f.web.widget().grab_focus();
  f.web.calls.clear();
  ASSERT_TRUE(gtk_accel_groups_activate(G_OBJECT(f.form.gobj()), GDK_KEY_v, GDK_CONTROL_MASK));
  ASSERT_TRUE(gtk_accel_groups_activate(G_OBJECT(f.form.gobj()), GDK_KEY_a, GDK_CONTROL_MASK));
  const auto calls = f.web.calls_of("ExecWB");
  ASSERT_EQ(calls.size(), 2U);
  expect_two_args(calls[0], 13);
  expect_two_args(calls[1], 17);
}

TEST_F(PageCommands, WithThePageFocusedRoutedCommandsAndUndoGoToThePageWithoutFocusStep) {
  f.web.widget().grab_focus();
  ASSERT_EQ(f.form.active_control_name(), "wWeb");
  f.web.calls.clear();
  use_routed_commands_and_undo();
  ASSERT_EQ(f.web.members(), (std::vector<std::string>{"ExecWB", "ExecWB", "ExecWB", "ExecWB"}));
  expect_two_args(f.web.calls[0], 13);
  expect_two_args(f.web.calls[1], 17);
  expect_two_args(f.web.calls[2], 18);
  expect_two_args(f.web.calls[3], 15);
}

TEST_F(PageCommands, RoutedCommandsAndUndoDoNothingAtAllWithAnyOtherControlFocused) {
  f.pane.SetVisible(true);
  f.form.cboURL_entry().set_text("http://example.org/");
  f.form.txtSearch.set_text("words");
  services.clipboard = Glib::ustring("pasted");

  const std::vector<std::pair<const char*, Gtk::Widget*>> focused{{"txtSearch", &f.form.txtSearch},
                                                                  {"cmdGo", &f.form.cmdGo},
                                                                  {"cmdPrint", &f.form.cmdPrint},
                                                                  {"WB1", &f.pane.widget()}};
  for (auto [name, widget] : focused) {
    SCOPED_TRACE(name);
    widget->grab_focus();
    ASSERT_EQ(f.form.active_control_name(), name);
    // Selected after the focus moved: a text box taking the focus takes the selection.
    f.form.cboURL_entry().select_region(7, 14);
    f.web.calls.clear();
    f.pane.calls.clear();
    use_routed_commands_and_undo();
    EXPECT_TRUE(f.web.calls.empty());
    EXPECT_TRUE(f.pane.calls.empty());
    EXPECT_EQ(f.form.active_control_name(), name);
    EXPECT_EQ(f.form.txtSearch.get_text(), "words");
    EXPECT_EQ(f.form.cboURL_entry().get_text(), "http://example.org/");
    int start = 0;
    int end = 0;
    EXPECT_TRUE(f.form.cboURL_entry().get_selection_bounds(start, end));
    EXPECT_EQ(start, 7);
    EXPECT_EQ(end, 14);
  }
}

TEST_F(PageCommands, ARefusingControlStopsNoHandlerAndLaterStepsStillRun) {
  f.web.refused = {"ExecWB", "SetFocus"};
  for (const Row& row : direct_rows()) {
    SCOPED_TRACE(row.control);
    f.web.calls.clear();
    EXPECT_NO_THROW(row.use(f.form));
    // A failed focus step does not keep the command from being sent.
    EXPECT_EQ(f.web.calls_of("ExecWB").size(), 1U);
  }
  f.web.widget().grab_focus();
  f.web.calls.clear();
  EXPECT_NO_THROW(f.form.mnuEditPaste.activate());
  EXPECT_NO_THROW(f.form.mnuEditUndo.activate());
  EXPECT_EQ(f.web.calls_of("ExecWB").size(), 2U);
  EXPECT_TRUE(services.message_boxes.empty());
}

}  // namespace
}  // namespace kv
