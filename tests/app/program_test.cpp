#include "app/program.h"

#include <gtest/gtest.h>

#include "browser/addresses.h"
#include "browser/form1.h"
#include "desktop/widget_style.h"
#include "support/program_with_fakes.h"
#include "support/run_until.h"
#include "support/widget_events.h"

namespace kv {
namespace {

using ProgramTest = test::ProgramWithFakes;

TEST_F(ProgramTest, StartUpColoursTheWindowAndOpensTheStartPage) {
  Form1& first = program.open_first_main_window();
  EXPECT_EQ(program.first_main_window(), &first);
  EXPECT_TRUE(first.get_visible());
  EXPECT_EQ(back_color(first.client_area()), 0x00FF0000U);
  EXPECT_FALSE(first.Popup);
  EXPECT_FALSE(first.mnuFileWorkOffline.get_active());
  const auto navigations = web_of(first).calls_of("Navigate");
  ASSERT_EQ(navigations.size(), 1U);
  EXPECT_EQ(navigations[0].text, kStartPageUrl);
  // Opened directly: not listed, Back stays disabled.
  EXPECT_EQ(first.cboURL.get_model()->children().size(), 0U);
  EXPECT_FALSE(first.cmdBack.get_sensitive());
}

TEST_F(ProgramTest, NewWindowOpensAFreshWindowEachTime) {
  Form1& first = program.open_first_main_window();
  first.mnuFileWorkOffline.set_active(true);
  first.cboURL_entry().set_text("x.test");
  first.cmdGo.clicked();
  for (int i = 0; i < 3; ++i) first.mnuFileNewNewWindow.activate();
  ASSERT_EQ(program.main_window_count(), 4U);
  EXPECT_TRUE(first.mnuFileWorkOffline.get_active()) << "the first keeps its mark";
  EXPECT_EQ(program.first_main_window(), &first);
  for (std::size_t i = 1; i < browsers.relations.size(); ++i) {
    EXPECT_EQ(browsers.relations[i], nullptr) << "New Window is not a page's pop-up";
  }
}

TEST_F(ProgramTest, CloseBoxClosesOneWindowAndTheLastEndsTheProgram) {
  Form1& first = program.open_first_main_window();
  first.mnuFileNewNewWindow.activate();
  ASSERT_EQ(program.main_window_count(), 2U);

  test::close_box(first);
  test::flush_events();
  EXPECT_EQ(program.main_window_count(), 1U);
  EXPECT_EQ(program.first_main_window(), nullptr);
  EXPECT_EQ(quits, 0);

  // The second window still works; closing it too ends the program.
  Form1& second = program.main_window(0);
  second.cboURL_entry().set_text("still.works");
  second.cmdGo.clicked();
  EXPECT_EQ(web_of(second).calls_of("Navigate").back().text, "http://still.works");
  second.hide();
  EXPECT_EQ(quits, 1);
}

TEST_F(ProgramTest, FileCloseInAnyWindowEndsTheWholeProgram) {
  Form1& first = program.open_first_main_window();
  first.mnuFileNewNewWindow.activate();
  first.mnuFileNewNewWindow.activate();
  ASSERT_EQ(program.main_window_count(), 3U);
  Form1& second = program.main_window(1);
  ASSERT_TRUE(second.get_visible());

  second.mnuFileClose.activate();
  EXPECT_EQ(quits, 1);
  EXPECT_TRUE(program.ended());
  for (std::size_t i = 0; i < program.main_window_count(); ++i) {
    EXPECT_FALSE(program.main_window(i).get_visible()) << i;
  }
}

}  // namespace
}  // namespace kv
