// The About box, the launchers and the colour command as the program attaches them
// to every main window.
#include <gtest/gtest.h>

#include "about/about_box.h"
#include "app/program.h"
#include "browser/form1.h"
#include "desktop/widget_style.h"
#include "support/program_with_fakes.h"
#include "support/run_until.h"
#include "support/widget_events.h"

namespace kv {
namespace {

class CompanionsTest : public test::ProgramWithFakes {
 protected:
  CompanionsTest() {
    program.use_program_launcher(launcher);
    first = &program.open_first_main_window();
    first->mnuFileNewNewWindow.activate();
    second = &program.main_window(1);
    test::flush_events();
  }

  Form1* first = nullptr;
  Form1* second = nullptr;
};

TEST_F(CompanionsTest, AboutFromAnyWindowBlocksTheFirstUntilOk) {
  second->mnuHelpAbout.activate();
  frmTesters* box = program.about_windows().about_box();
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(first->get_sensitive());
  EXPECT_TRUE(second->get_sensitive());
  box->cmdEmail.clicked();
  ASSERT_EQ(launcher.starts.size(), 1U);
  EXPECT_EQ(launcher.starts[0].command_line, "explorer mailto:pellimar@palvenna.example");
  box->cmdOk.clicked();
  EXPECT_TRUE(first->get_sensitive());
}

TEST_F(CompanionsTest, TheBlockedFirstWindowKeepsOpenOnItsCloseBox) {
  first->mnuHelpAbout.activate();
  test::close_box(*first);
  test::flush_events();
  EXPECT_TRUE(first->get_visible());
  EXPECT_EQ(program.first_main_window(), first);
  EXPECT_EQ(program.main_window_count(), 2U);
}

TEST_F(CompanionsTest, WithTheFirstWindowClosedAboutBlocksNoneAndOpensNoWindow) {
  test::close_box(*first);
  test::flush_events();
  ASSERT_EQ(program.first_main_window(), nullptr);
  ASSERT_EQ(program.main_window_count(), 1U);
  Form1& remaining = program.main_window(0);

  remaining.mnuHelpAbout.activate();
  ASSERT_NE(program.about_windows().about_box(), nullptr);
  EXPECT_TRUE(remaining.get_sensitive());
  EXPECT_EQ(program.main_window_count(), 1U) << "no hidden first window is made";
  program.about_windows().about_box()->cmdOk.clicked();
  EXPECT_TRUE(remaining.get_sensitive());
}

TEST_F(CompanionsTest, EveryWindowHasTheLaunchersAndTheColourCommand) {
  second->mnuToolsMailNews.activate();
  ASSERT_EQ(launcher.starts.size(), 1U);
  EXPECT_EQ(launcher.starts[0].command_line, "C:\\Program Files\\Outlook Express\\MSIMN.EXE");

  services.color_answers.push_back(0x00336699);
  second->mnuToolsChangeTheme.activate();
  EXPECT_EQ(back_color(second->client_area()), 0x00336699U);
  EXPECT_EQ(back_color(second->cmdGo), 0x00336699U);
  EXPECT_EQ(back_color(first->client_area()), 0x00FF0000U) << "the first keeps its blue";
  EXPECT_EQ(back_color(first->cmdGo), 0x00C00000U);

  // A window opened afterwards starts with the start-up colours.
  second->mnuFileNewNewWindow.activate();
  EXPECT_EQ(back_color(program.main_window(2).client_area()), 0x00FF0000U);
}

}  // namespace
}  // namespace kv
