#include "engine/profile/website_data_followers.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include "desktop/user_paths.h"
#include "support/run_until.h"

namespace kv {
namespace {

TEST(WebsiteDataFollowersTest, TheDeleterWaitsForRunningBrowsersButNotForEndedOnes) {
  enlist_as_follower();
  // What a browser that ended without a word leaves behind.
  const std::string ended = website_data_cleared_path() + "-followers/999999999";
  ASSERT_TRUE(g_file_set_contents(ended.c_str(), "", 0, nullptr));

  bool deleted = false;
  wait_for_followers("1 first", [&] { deleted = true; });
  EXPECT_FALSE(test::run_until([&] { return deleted; }, std::chrono::milliseconds(300)))
      << "this running browser has not cleared yet";
  report_cleared("an earlier one");
  EXPECT_FALSE(test::run_until([&] { return deleted; }, std::chrono::milliseconds(100)));
  report_cleared("1 first");
  EXPECT_TRUE(test::run_until([&] { return deleted; }, std::chrono::seconds(2)));
  EXPECT_FALSE(g_file_test(ended.c_str(), G_FILE_TEST_EXISTS));

  bool unmarked = false;
  wait_for_followers("", [&] { unmarked = true; });
  EXPECT_TRUE(unmarked) << "no browser saw a mark that was never written";
}

}  // namespace
}  // namespace kv
