#include "desktop/internet_settings.h"

#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include "desktop/user_paths.h"

namespace kv {
namespace {

TEST(InternetSettings, StoringTheHomePageKeepsTheRestOfTheFile) {
  const std::string mine =
      "# set by hand\n[General]\nHomePage=http://old.test/\nOther=1\n[Extra]\nKey[de]=Wert\n";
  const std::string stored = with_home_page(mine, "\f http://new.test/ \n");
  EXPECT_EQ(home_page_in(stored), "http://new.test/") << "white space at the ends is no address";
  for (const char* kept : {"# set by hand", "Other=1", "[Extra]", "Key[de]=Wert"}) {
    EXPECT_NE(stored.find(kept), std::string::npos) << kept;
  }
  EXPECT_EQ(stored.find("old.test"), std::string::npos);
}

TEST(InternetSettings, AnyOtherFileGivesTheDefaultHomePage) {
  for (const char* text : {"", "[General]\nHomePage=\n", "[General]\nHomePage=\xFF\xFE\n",
                           "HomePage=http://x.test/\n", "\x01\x02 not a settings file"}) {
    EXPECT_EQ(home_page_in(text), kDefaultHomePage) << text;
  }
  EXPECT_EQ(home_page_in(with_home_page("", " \t ")), kDefaultHomePage);
}

// The browser reads it as it starts; the Internet Options program writes it.
TEST(InternetSettings, HardwareAccelerationIsOnUntilTurnedOffAndKeepsTheRestOfTheFile) {
  const std::string path = internet_settings_path();
  g_remove(path.c_str());
  EXPECT_TRUE(use_hardware_acceleration()) << "no settings file yet";

  ASSERT_TRUE(save_home_page("http://kept.test/"));
  ASSERT_TRUE(save_use_hardware_acceleration(false));
  EXPECT_FALSE(use_hardware_acceleration());
  EXPECT_EQ(configured_home_page(), "http://kept.test/");
  EXPECT_TRUE(offer_to_save_passwords()) << "a switch of its own";
  ASSERT_TRUE(save_use_hardware_acceleration(true));
  EXPECT_TRUE(use_hardware_acceleration());

  // Written by hand: only a plain false turns it off.
  ASSERT_TRUE(
      g_file_set_contents(path.c_str(), "[Advanced]\nHardwareAcceleration=perhaps\n", -1, nullptr));
  EXPECT_TRUE(use_hardware_acceleration());
  ASSERT_TRUE(
      g_file_set_contents(path.c_str(), "[Advanced]\nHardwareAcceleration=false\n", -1, nullptr));
  EXPECT_FALSE(use_hardware_acceleration());
  g_remove(path.c_str());
}

}  // namespace
}  // namespace kv
