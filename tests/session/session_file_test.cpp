// The session file: what is written reads back the same; what is not one of ours is
// refused, moved aside and never blocks the start; writes gather and land in time.
#include "session/session_file.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "session/session_keeper.h"
#include "session/session_store.h"
#include "support/run_until.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

using namespace std::chrono_literals;

Session two_windows() {
  Session session;
  session.windows.push_back({"http://127.0.0.1:8/a.html", "A = [b]\nnext line", {0, 1, 2, 255}});
  session.windows.push_back({"file:///tmp/b%20c.html", "", {}});
  return session;
}

void write(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(SessionFile, ReadsBackWhatWasWrittenAndRefusesWhatIsNotWhole) {
  const Session session = two_windows();
  const std::string text = session_file_text(session);
  EXPECT_EQ(parse_session_file(text), session);

  // A page's title that is not UTF-8 is written readable, not dropped.
  Session odd;
  odd.windows.push_back({"http://x/", std::string("caf\xE9\0z", 6), {}});
  const auto odd_back = parse_session_file(session_file_text(odd));
  ASSERT_TRUE(odd_back);
  EXPECT_TRUE(g_utf8_validate(odd_back->windows[0].title.c_str(), -1, nullptr));
  EXPECT_EQ(odd_back->windows[0].title.substr(0, 3), "caf");

  // Pages with huge titles, addresses and histories still leave a file that reads back,
  // each window at least with its address.
  Session huge;
  for (int i = 0; i < 6; ++i) {
    huge.windows.push_back({"http://127.0.0.1/" + std::string(100000, 'a'),
                            std::string(100000, 't'),
                            std::vector<std::uint8_t>(3 * 1024 * 1024, 7)});
  }
  const std::string huge_text = session_file_text(huge);
  EXPECT_LT(huge_text.size(), kLargestSessionFile);
  const auto huge_back = parse_session_file(huge_text);
  ASSERT_TRUE(huge_back);
  ASSERT_EQ(huge_back->windows.size(), 6U);
  EXPECT_EQ(huge_back->windows[0].state, huge.windows[0].state);
  EXPECT_TRUE(huge_back->windows[5].state.empty());
  EXPECT_EQ(huge_back->windows[5].address.substr(0, 18), "http://127.0.0.1/a");

  EXPECT_FALSE(parse_session_file(text.substr(0, text.size() / 2)));  // cut short
  EXPECT_FALSE(parse_session_file(""));
  EXPECT_FALSE(parse_session_file(std::string("\x00\xFF\xFE garbage", 11)));
  std::string other_version = text;
  other_version.replace(other_version.find("Version=1"), 9, "Version=7");
  EXPECT_FALSE(parse_session_file(other_version));
  std::string too_many = text;
  too_many.replace(too_many.find("Windows=2"), 9, "Windows=99999");
  EXPECT_FALSE(parse_session_file(too_many));
  std::string negative = text;
  negative.replace(negative.find("Windows=2"), 9, "Windows=-1");
  EXPECT_FALSE(parse_session_file(negative));
}

class SessionFolder : public ::testing::Test {
 protected:
  std::string folder() const { return dir.file("state/kestrivane"); }
  test::TempDir dir;
  SessionStore store{folder()};
};

TEST_F(SessionFolder, KeepsItsFileToTheUserAndGoesOnAClean) {
  ASSERT_TRUE(store.save(two_windows()));
  struct stat info {};
  ASSERT_EQ(stat(folder().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700U);
  ASSERT_EQ(stat(store.path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600U);
  EXPECT_EQ(store.take_left_session(), two_windows());
  store.remove();
  EXPECT_FALSE(store.take_left_session());
  EXPECT_FALSE(g_file_test(store.bad_path().c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(SessionFolder, MovesAsideWhatIsNotASessionFileAndStartsWithout) {
  const auto refused_and_moved = [this] {
    testing::internal::CaptureStderr();
    const auto session = store.take_left_session();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    return !session && !g_file_test(store.path().c_str(), G_FILE_TEST_EXISTS) &&
           g_file_test(store.bad_path().c_str(), G_FILE_TEST_EXISTS);
  };
  ASSERT_TRUE(store.save(two_windows()));
  const std::string whole = session_file_text(two_windows());
  write(store.path(), whole.substr(0, whole.size() - 20));
  ASSERT_EQ(chmod(store.path().c_str(), 0644), 0);  // as a copy put there by hand
  EXPECT_TRUE(refused_and_moved()) << "cut short";
  struct stat bad {};
  ASSERT_EQ(stat(store.bad_path().c_str(), &bad), 0);
  EXPECT_EQ(bad.st_mode & 0777, 0600U) << "what is kept aside stays the user's";

  // Over the limit, however well-formed: never read in.
  write(store.path(), "");
  ASSERT_EQ(truncate(store.path().c_str(), static_cast<off_t>(kLargestSessionFile) + 1), 0);
  EXPECT_TRUE(refused_and_moved()) << "too large";

  // A FIFO would block a reader for ever.
  ASSERT_EQ(mkfifo(store.path().c_str(), 0600), 0);
  EXPECT_TRUE(refused_and_moved()) << "not a regular file";

  ASSERT_EQ(symlink("/dev/zero", store.path().c_str()), 0);
  EXPECT_TRUE(refused_and_moved()) << "a link";
}

TEST_F(SessionFolder, GathersChangesIntoOneWriteAndKeepsTheRestoreMarkForAWhile) {
  int snapshots = 0;
  SessionKeeper keeper(store,
                       [&] {
                         ++snapshots;
                         return two_windows().windows;
                       },
                       {.gather_ms = 100, .windows_ms = 100, .titles_ms = 100, .settle_ms = 400});
  for (int i = 0; i < 50; ++i) keeper.changed();
  EXPECT_EQ(keeper.writes(), 0);
  ASSERT_TRUE(test::run_until([&] { return keeper.writes() == 1; }, 2s));
  test::run_until([] { return false; }, 300ms);  // time for a second write, if any
  EXPECT_EQ(keeper.writes(), 1);
  EXPECT_EQ(snapshots, 1);
  EXPECT_EQ(store.take_left_session()->restored_at, 0);

  keeper.restored();
  ASSERT_TRUE(test::run_until([&] { return keeper.writes() == 2; }, 2s));
  EXPECT_GT(store.take_left_session()->restored_at, 0);
  // Ran long enough: a loss from now on may be offered again.
  ASSERT_TRUE(test::run_until([&] { return keeper.writes() == 3; }, 2s));
  EXPECT_EQ(store.take_left_session()->restored_at, 0);

  keeper.changed();
  keeper.end();
  EXPECT_FALSE(g_file_test(store.path().c_str(), G_FILE_TEST_EXISTS));
  EXPECT_FALSE(test::run_until([&] { return keeper.writes() > 3; }, 300ms));
}

}  // namespace
}  // namespace kv
