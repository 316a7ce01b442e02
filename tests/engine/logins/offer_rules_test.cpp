// The rules under the list of saved accounts, without an engine: which act of the user a
// field's message may claim, and where the list may lie.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "engine/logins/list_place.h"
#include "engine/logins/user_acts.h"

namespace kv {
namespace {

constexpr gint64 kSecond = 1000 * 1000;
constexpr ViewBox kField{100, 50, 200, 24};
constexpr auto kNoModifier = static_cast<GdkModifierType>(0);

TEST(UserActs, APressOnTheFieldIsClaimedOnceAndOnlyByItsOwnMousedown) {
  UserActs acts;
  acts.button_pressed(GDK_BUTTON_PRIMARY, 150.4, 60.7, kSecond);
  // The page reports whole page pixels: at zoom 1.5, 100 page pixels are 150 of the view's.
  EXPECT_FALSE(acts.claim_press(kField, 150.0, 160.0, 1.5, kSecond + 1));  // another press
  EXPECT_FALSE(acts.claim_tab(kSecond + 1));
  EXPECT_TRUE(acts.claim_press(kField, 150.0, 60.0, 1.5, kSecond + 1));
  EXPECT_FALSE(acts.claim_press(kField, 150.0, 60.0, 1.5, kSecond + 2));

  // Its edges, within a pixel, count; further out, not.
  for (const auto& [x, y, on] : {std::tuple{99.2, 50.0, true}, std::tuple{301.0, 74.0, true},
                                 std::tuple{98.5, 60.0, false}, std::tuple{200.0, 75.5, false}}) {
    acts.button_pressed(GDK_BUTTON_PRIMARY, x, y, 2 * kSecond);
    EXPECT_EQ(acts.claim_press(kField, x, y, 1.0, 2 * kSecond), on) << x << "," << y;
  }
  // Nor a point the page could not measure.
  acts.button_pressed(GDK_BUTTON_PRIMARY, 150, 60, 3 * kSecond);
  EXPECT_FALSE(acts.claim_press(kField, NAN, 60, 1.0, 3 * kSecond));
  EXPECT_FALSE(acts.claim_press({NAN, 50, 200, 24}, 150, 60, 1.0, 3 * kSecond));
}

TEST(UserActs, OnlyTheLastActCountsAndNotForLong) {
  UserActs acts;
  // Another button, or a key after the press, is not a press on the field.
  acts.button_pressed(3, 150, 60, kSecond);
  EXPECT_FALSE(acts.claim_press(kField, 150, 60, 1.0, kSecond));
  acts.button_pressed(GDK_BUTTON_PRIMARY, 150, 60, kSecond);
  acts.key_pressed(GDK_KEY_Down, kNoModifier, kSecond);
  EXPECT_FALSE(acts.claim_press(kField, 150, 60, 1.0, kSecond));
  EXPECT_FALSE(acts.claim_tab(kSecond));

  // Tab and Shift+Tab, with the Shift pressed on its own before; never Ctrl+Tab.
  acts.key_pressed(GDK_KEY_Tab, kNoModifier, kSecond);
  EXPECT_FALSE(acts.claim_press(kField, 150, 60, 1.0, kSecond));
  EXPECT_TRUE(acts.claim_tab(kSecond));
  EXPECT_FALSE(acts.claim_tab(kSecond));
  acts.key_pressed(GDK_KEY_Shift_L, GDK_SHIFT_MASK, kSecond);
  acts.key_pressed(GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK, kSecond);
  acts.key_pressed(GDK_KEY_Shift_L, GDK_SHIFT_MASK, kSecond);
  EXPECT_TRUE(acts.claim_tab(kSecond));
  acts.key_pressed(GDK_KEY_Tab, GDK_CONTROL_MASK, kSecond);
  EXPECT_FALSE(acts.claim_tab(kSecond));

  // A busy page may answer late, but not that late; and never before the act.
  acts.key_pressed(GDK_KEY_Tab, kNoModifier, 2 * kSecond);
  EXPECT_FALSE(acts.claim_tab(kSecond));
  EXPECT_FALSE(acts.claim_tab(13 * kSecond));
  EXPECT_TRUE(acts.claim_tab(11 * kSecond));
}

TEST(ListPlace, BelowTheFieldElseAboveItElseNowhere) {
  const GdkRectangle page{100, 100, 800, 600};  // to 900, 700
  const GdkRectangle field{200, 300, 150, 20};
  const auto at = [&](GdkRectangle f, int width, int height, GdkRectangle p = {100, 100, 800, 600},
                      GdkRectangle s = {0, 0, 1280, 1000}) {
    return place_beside(f, width, height, p, s);
  };
  ASSERT_TRUE(at(field, 200, 100));
  EXPECT_EQ(at(field, 200, 100)->x, 200);
  EXPECT_EQ(at(field, 200, 100)->y, 320);
  // Just room below, then just not.
  EXPECT_EQ(at({200, 600, 150, 20}, 200, 80)->y, 620);
  EXPECT_EQ(at({200, 600, 150, 20}, 200, 81)->y, 519);
  // Nor above: nowhere.
  EXPECT_FALSE(at({200, 140, 150, 520}, 200, 50));
  // The page's bottom off the screen: the screen's edge is the limit.
  EXPECT_EQ(at({200, 600, 150, 20}, 200, 60, page, {0, 0, 1280, 650})->y, 540);
}

TEST(ListPlace, SlidesIntoThePageButNeverOffTheFieldsWidth) {
  const GdkRectangle page{100, 100, 800, 600};
  const GdkRectangle screen{0, 0, 1280, 1000};
  // At the page's right edge: slid left to end there, still across from the field.
  auto at = place_beside({840, 300, 60, 20}, 200, 50, page, screen);
  ASSERT_TRUE(at);
  EXPECT_EQ(at->x, 700);
  // The screen's edge cuts the page: slid further.
  at = place_beside({840, 300, 60, 20}, 200, 50, page, {0, 0, 880, 1000});
  ASSERT_TRUE(at);
  EXPECT_EQ(at->x, 680);
  // Left of the page: slid right.
  EXPECT_EQ(place_beside({60, 300, 100, 20}, 200, 50, page, screen)->x, 100);
  // A field whose width lies outside the page altogether, or a list wider than the page.
  EXPECT_FALSE(place_beside({910, 300, 60, 20}, 200, 50, page, screen));
  EXPECT_FALSE(place_beside({200, 300, 60, 20}, 801, 50, page, screen));
  // A page wholly off the screen, and sizes of nothing.
  EXPECT_FALSE(place_beside({200, 300, 60, 20}, 200, 50, page, {1000, 0, 280, 1000}));
  EXPECT_FALSE(place_beside({200, 300, 0, 20}, 200, 50, page, screen));
  EXPECT_FALSE(place_beside({200, 300, 60, 20}, 200, 0, page, screen));
}

}  // namespace
}  // namespace kv
