#include "app/splash.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <memory>

#include "app/program.h"
#include "app/version.h"
#include "browser/form1.h"
#include "desktop/widget_style.h"
#include "support/program_with_fakes.h"
#include "support/run_until.h"
#include "support/widget_events.h"

namespace kv {
namespace {

// The program as main() starts it, with its splash screen; the interval is long enough
// that only the test makes the timer tick, unless it asks for a short one.
class SplashTest : public test::ProgramWithFakes {
 protected:
  void start(unsigned interval_ms = 600000) {
    splash = std::make_unique<frmSplash>([this] { program.open_first_main_window(); },
                                         [this] { program.end_program(); }, interval_ms);
    splash->show();
    test::flush_events();
  }

  // A left click on the frame at (x, y) in the frame's own coordinates.
  void click_frame(double x, double y, guint button = 1) {
    test::release_button(splash->Frame1.get_window()->gobj(), x, y, button);
  }

  // The middle of a control inside the frame, in the frame's coordinates.
  std::pair<double, double> middle_of(Gtk::Widget& control) {
    int x = 0;
    int y = 0;
    control.translate_coordinates(splash->Frame1, control.get_allocated_width() / 2,
                                  control.get_allocated_height() / 2, x, y);
    return {x, y};
  }

  void expect_handed_over_once() {
    EXPECT_TRUE(splash->unloaded());
    EXPECT_FALSE(splash->get_visible());
    EXPECT_FALSE(splash->Timer1.enabled());
    ASSERT_EQ(program.main_window_count(), 1U);
    EXPECT_EQ(program.first_main_window(), &program.main_window(0));
    EXPECT_TRUE(program.main_window(0).get_visible());
    EXPECT_EQ(quits, 0);
  }

  void expect_still_waiting() {
    EXPECT_FALSE(splash->unloaded());
    EXPECT_TRUE(splash->get_visible());
    EXPECT_TRUE(splash->Timer1.enabled());
    EXPECT_EQ(program.main_window_count(), 0U);
    EXPECT_EQ(quits, 0);
  }

  std::unique_ptr<frmSplash> splash;
};

TEST_F(SplashTest, LooksAsLaidOut) {
  start();
  EXPECT_FALSE(splash->get_decorated());
  EXPECT_TRUE(splash->get_skip_taskbar_hint());
  EXPECT_EQ(splash->get_allocated_width(), 492);
  EXPECT_EQ(splash->get_allocated_height(), 283);
  EXPECT_EQ(back_color(splash->Frame1), 0x00C00000U);
  EXPECT_EQ(fore_color(splash->lblVersion), 0x0000FF00U);
  EXPECT_EQ(splash->lblName.get_text(), "Kestrivane™");
  EXPECT_EQ(splash->lblCompanyProduct.get_text(), "Palvenna. inc.");
  EXPECT_EQ(splash->lblPlatform.get_text(), "(Beta Release)");
  EXPECT_EQ(splash->lblCompany.get_text(), "Palvenna inc.");
  EXPECT_EQ(splash->lblVersion.get_text(),
            version_caption(version::kMajor, version::kMinor, version::kRevision));
  EXPECT_EQ(splash->Timer1.interval(), 600000U);
  // The version is not cut off by the frame's edge.
  const int version_right =
      splash->lblVersion.get_allocation().get_x() + splash->lblVersion.get_allocated_width();
  EXPECT_LE(version_right, splash->Frame1.get_allocated_width());
}

TEST(VersionCaptionTest, PlainDecimalNumbersJoinedByDots) {
  EXPECT_EQ(version_caption(1, 0, 0), "Version 1.0.0");
  EXPECT_EQ(version_caption(2, 10, 3), "Version 2.10.3");
}

TEST_F(SplashTest, TheTimersTickHandsOverToTheFirstMainWindowOnce) {
  start();
  splash->Timer1.tick();
  expect_handed_over_once();
  // Nothing that comes later opens another.
  splash->Timer1.tick();
  click_frame(5, 5);
  EXPECT_EQ(program.main_window_count(), 1U);
}

TEST_F(SplashTest, TheRealTimerHandsOverAfterItsInterval) {
  splash = std::make_unique<frmSplash>([this] { program.open_first_main_window(); },
                                       [this] { program.end_program(); }, 30);
  splash->show();
  EXPECT_EQ(program.main_window_count(), 0U) << "nothing opens before the timer runs";
  ASSERT_TRUE(test::run_until([this] { return program.main_window_count() > 0; }));
  expect_handed_over_once();
}

TEST_F(SplashTest, AClickOnTheFrameHandsOverAtOnceAndStopsTheTimer) {
  start();
  click_frame(5, 5);
  expect_handed_over_once();
  splash->Timer1.tick();
  EXPECT_EQ(program.main_window_count(), 1U) << "no second window when the time is up";
}

TEST_F(SplashTest, ClicksOnTheLabelsAndTheLogoOrOtherButtonsDoNothing) {
  start();
  for (Gtk::Widget* control : std::initializer_list<Gtk::Widget*>{
           &splash->imgLogo, &splash->lblName, &splash->lblCompanyProduct, &splash->lblPlatform,
           &splash->lblVersion, &splash->lblCompany}) {
    const auto [x, y] = middle_of(*control);
    click_frame(x, y);
  }
  click_frame(5, 5, 3);
  expect_still_waiting();
}

class SplashKeyTest : public SplashTest, public ::testing::WithParamInterface<guint> {};

TEST_P(SplashKeyTest, AKeyThatTypesACharacterEndsTheProgramWithNoWindow) {
  start();
  test::press_key(*splash, GetParam());
  EXPECT_TRUE(splash->unloaded());
  EXPECT_FALSE(splash->get_visible());
  EXPECT_FALSE(splash->Timer1.enabled());
  EXPECT_EQ(quits, 1);
  EXPECT_EQ(program.main_window_count(), 0U);
  splash->Timer1.tick();
  EXPECT_EQ(program.main_window_count(), 0U);
}

INSTANTIATE_TEST_SUITE_P(TypingKeys, SplashKeyTest,
                         ::testing::Values(GDK_KEY_Return, GDK_KEY_Escape, GDK_KEY_BackSpace,
                                           GDK_KEY_a, GDK_KEY_space));

TEST_F(SplashTest, KeysThatTypeNothingDoNothing) {
  start();
  for (guint key : {GDK_KEY_Left, GDK_KEY_F1, GDK_KEY_Shift_L, GDK_KEY_Control_L, GDK_KEY_Delete}) {
    test::press_key(*splash, key);
  }
  expect_still_waiting();
}

TEST(ProducesCharacterTest, TypingKeysDoAndOthersDoNot) {
  for (guint key :
       {GDK_KEY_Return, GDK_KEY_KP_Enter, GDK_KEY_Escape, GDK_KEY_BackSpace, GDK_KEY_Tab, GDK_KEY_a,
        GDK_KEY_Z, GDK_KEY_7, GDK_KEY_KP_7, GDK_KEY_space, GDK_KEY_period, GDK_KEY_eacute}) {
    EXPECT_TRUE(produces_character(key, 0)) << key;
  }
  EXPECT_TRUE(produces_character(GDK_KEY_a, GDK_CONTROL_MASK)) << "Ctrl+A types a control code";
  for (guint key :
       {GDK_KEY_Left, GDK_KEY_Home, GDK_KEY_F5, GDK_KEY_Shift_L, GDK_KEY_Control_R, GDK_KEY_Alt_L,
        GDK_KEY_Caps_Lock, GDK_KEY_Delete, GDK_KEY_Insert, GDK_KEY_KP_Left}) {
    EXPECT_FALSE(produces_character(key, 0)) << key;
  }
  EXPECT_FALSE(produces_character(GDK_KEY_a, GDK_MOD1_MASK)) << "Alt+A is a menu key";
}

}  // namespace
}  // namespace kv
