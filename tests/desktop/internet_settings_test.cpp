#include "desktop/internet_settings.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kv
