#include "about/about_windows.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "about/about_box.h"
#include "about/about_texts.h"
#include "about/testers_list.h"
#include "browser/program_host.h"
#include "support/fake_form.h"
#include "support/recording_program_launcher.h"
#include "support/run_until.h"
#include "support/widget_events.h"

namespace kv {
namespace {

class FakeHost : public ProgramHost {
 public:
  Form1& load_main_window(WebBrowser* /*related*/) override {
    ++loads;
    throw std::logic_error("the About box must not load a main window");
  }
  Form1& load_private_window() override { return load_main_window(nullptr); }
  Form1* first_main_window() override { return first; }
  void end_program() override { ++ends; }

  Form1* first = nullptr;
  int loads = 0;
  int ends = 0;
};

// Clicks into a text view, where the caret would go.
void click_text(Gtk::TextView& text) {
  test::release_button(text.get_window(Gtk::TEXT_WINDOW_TEXT)->gobj(), 10, 10);
}

class AboutWindowsTest : public ::testing::Test {
 protected:
  AboutWindowsTest() {
    host.first = &first.form;
    attach_about(first.form, about);
    attach_about(second.form, about);
    first.form.show();
    second.form.show();
  }

  frmTesters& open_about(Form1& from) {
    from.mnuHelpAbout.activate();
    frmTesters* box = about.about_box();
    if (box == nullptr) throw std::logic_error("no About box");
    test::flush_events();
    return *box;
  }

  test::FakeForm first;
  test::FakeForm second;
  FakeHost host;
  test::RecordingProgramLauncher launcher;
  AboutWindows about{host, launcher};
};

TEST_F(AboutWindowsTest, AboutDisablesTheFirstMainWindowUntilOk) {
  int new_windows = 0;
  first.form.mnuFileNewNewWindow.signal_activate().connect([&new_windows] { ++new_windows; });
  frmTesters& box = open_about(first.form);
  EXPECT_FALSE(first.form.get_sensitive());
  EXPECT_TRUE(box.get_visible());
  EXPECT_TRUE(box.get_sensitive());
  EXPECT_EQ(box.get_focus(), &box.cmdOk) << "Ok has the focus when the box opens";
  EXPECT_EQ(box.get_default_widget(), &box.cmdOk);
  // Keys on the disabled window have no effect.
  test::press_key(first.form, GDK_KEY_n, GDK_CONTROL_MASK);
  EXPECT_EQ(new_windows, 0);

  box.cmdOk.clicked();
  EXPECT_EQ(about.about_box(), nullptr);
  EXPECT_TRUE(first.form.get_sensitive());
  EXPECT_EQ(host.loads, 0);
  test::press_key(first.form, GDK_KEY_n, GDK_CONTROL_MASK);
  EXPECT_EQ(new_windows, 1) << "keys work again after Ok";
}

TEST_F(AboutWindowsTest, EnterPressesOkAsTheBoxOpens) {
  frmTesters& box = open_about(first.form);
  test::press_key(box, GDK_KEY_Return);
  // A button pressed from the keyboard shows itself pressed a moment before it clicks.
  EXPECT_TRUE(test::run_until([this] { return about.about_box() == nullptr; }));
  EXPECT_TRUE(first.form.get_sensitive());
}

TEST_F(AboutWindowsTest, FromASecondWindowItIsStillTheFirstThatIsDisabled) {
  frmTesters& box = open_about(second.form);
  EXPECT_FALSE(first.form.get_sensitive());
  EXPECT_TRUE(second.form.get_sensitive());
  // Asked again while open: the same box, no second one.
  second.form.mnuHelpAbout.activate();
  EXPECT_EQ(about.about_box(), &box);
  box.cmdOk.clicked();
  EXPECT_TRUE(first.form.get_sensitive());
  EXPECT_TRUE(second.form.get_sensitive());
}

TEST_F(AboutWindowsTest, WithTheFirstMainWindowClosedAboutDisablesNoneAndLoadsNone) {
  host.first = nullptr;
  first.form.hide();
  frmTesters& box = open_about(second.form);
  EXPECT_TRUE(box.get_visible());
  EXPECT_TRUE(second.form.get_sensitive());
  EXPECT_EQ(host.loads, 0);
  EXPECT_EQ(box.get_transient_for(), &second.form) << "it goes with a window in the taskbar";
  box.cmdOk.clicked();
  EXPECT_EQ(about.about_box(), nullptr);
  EXPECT_TRUE(second.form.get_sensitive());
}

TEST_F(AboutWindowsTest, ClosingTheAboutBoxByItsCloseBoxEnablesTheFirstWindowLikeOk) {
  frmTesters& box = open_about(first.form);
  test::close_box(box);
  EXPECT_EQ(about.about_box(), nullptr);
  EXPECT_TRUE(first.form.get_sensitive());
  // Each opening starts afresh.
  frmTesters& again = open_about(first.form);
  EXPECT_EQ(again.text(), about_text::kDisclaimer);
  EXPECT_FALSE(first.form.get_sensitive());
}

TEST_F(AboutWindowsTest, TheDisabledFirstWindowIgnoresItsCloseBox) {
  int closes = 0;
  // What the program does on a close box, after the About behaviour.
  first.form.signal_delete_event().connect(
      [&closes](GdkEventAny*) {
        ++closes;
        return true;
      },
      false);
  frmTesters& box = open_about(first.form);
  test::close_box(first.form);
  EXPECT_EQ(closes, 0);
  box.cmdOk.clicked();
  test::close_box(first.form);
  EXPECT_EQ(closes, 1);
}

TEST_F(AboutWindowsTest, TestersListDisablesTheAboutBoxUntilItsOk) {
  frmTesters& box = open_about(first.form);
  box.Command1.clicked();
  frmTestr* list = about.testers_list();
  ASSERT_NE(list, nullptr);
  EXPECT_FALSE(box.get_sensitive());
  EXPECT_TRUE(list->get_visible());
  EXPECT_EQ(list->get_focus(), &list->Text1) << "the list has the focus when it opens";
  EXPECT_EQ(list->text(), about_text::kTesters);

  // The disabled About box ignores its close box.
  test::close_box(box);
  EXPECT_EQ(about.about_box(), &box);

  list->Command1.clicked();
  EXPECT_EQ(about.testers_list(), nullptr);
  EXPECT_TRUE(box.get_sensitive());
  EXPECT_FALSE(first.form.get_sensitive()) << "the first window waits for the About box";
}

TEST_F(AboutWindowsTest, ClosingTheTestersListByItsCloseBoxEnablesTheAboutBox) {
  frmTesters& box = open_about(first.form);
  box.Command1.clicked();
  ASSERT_NE(about.testers_list(), nullptr);
  test::flush_events();
  test::close_box(*about.testers_list());
  EXPECT_EQ(about.testers_list(), nullptr);
  EXPECT_TRUE(box.get_sensitive());
  box.cmdOk.clicked();
  EXPECT_TRUE(first.form.get_sensitive());
}

TEST_F(AboutWindowsTest, AnyKeyOnTheTestersShortensThemToThreeNamesAndFocusesOk) {
  for (guint key : {GDK_KEY_Shift_L, GDK_KEY_Escape, GDK_KEY_x}) {
    frmTesters& box = open_about(first.form);
    box.Command1.clicked();
    frmTestr& list = *about.testers_list();
    test::flush_events();
    test::press_key(list.Text1, key);
    EXPECT_EQ(list.text(), about_text::kFirstThreeTesters) << key;
    EXPECT_EQ(g_utf8_strlen(list.text().c_str(), -1), 26) << key;
    EXPECT_EQ(list.get_focus(), &list.Command1) << key;
    list.Command1.clicked();
    box.cmdOk.clicked();
  }
}

TEST_F(AboutWindowsTest, ClicksIntoTheTextsMoveTheFocusToOk) {
  frmTesters& box = open_about(first.form);
  box.Text1.grab_focus();
  click_text(box.Text1);
  EXPECT_EQ(box.get_focus(), &box.cmdOk);

  box.Command1.clicked();
  frmTestr& list = *about.testers_list();
  test::flush_events();
  click_text(list.Text1);
  EXPECT_EQ(list.get_focus(), &list.Command1);
  EXPECT_EQ(list.text(), about_text::kTesters) << "a click does not shorten the list";
}

TEST_F(AboutWindowsTest, EmailStartsAMailToTheAuthorMinimisedAndKeepsTheBox) {
  frmTesters& box = open_about(first.form);
  box.cmdEmail.clicked();
  ASSERT_EQ(launcher.starts.size(), 1U);
  EXPECT_EQ(launcher.starts[0].command_line, "explorer mailto:pellimar@palvenna.example");
  EXPECT_EQ(launcher.starts[0].window_state, 2);
  EXPECT_EQ(about.about_box(), &box);
  EXPECT_TRUE(box.get_sensitive());

  // No mail program: nothing happens, nothing is shown, nothing escapes.
  launcher.missing = true;
  box.cmdEmail.clicked();
  launcher.refused = true;
  box.cmdEmail.clicked();
  EXPECT_EQ(launcher.starts.size(), 3U);
  EXPECT_EQ(about.about_box(), &box);
  EXPECT_TRUE(box.get_sensitive());
}

}  // namespace
}  // namespace kv
