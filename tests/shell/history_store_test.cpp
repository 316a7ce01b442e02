#include "shell/history_store.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>

#include "engine/control/history_recorder.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

using Clock = HistoryStore::Clock;
using std::chrono::days;
using std::chrono::hours;
using std::chrono::minutes;

// Local noon of a fixed day, so that "a day earlier" is never the same calendar day.
Clock::time_point local_noon(int year, int month, int day) {
  GDateTime* time = g_date_time_new_local(year, month, day, 12, 0, 0);
  const auto result = Clock::time_point(std::chrono::seconds(g_date_time_to_unix(time)));
  g_date_time_unref(time);
  return result;
}

std::vector<std::string> addresses(const HistoryDay& day) {
  std::vector<std::string> found;
  for (const auto& entry : day.entries) found.push_back(entry.address);
  return found;
}

// Another program's hold on the database file.
struct OtherConnection {
  explicit OtherConnection(const std::string& path) { sqlite3_open(path.c_str(), &db); }
  ~OtherConnection() { sqlite3_close(db); }
  int exec(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
  sqlite3* db = nullptr;
};

class History : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string path = dir.file("history.sqlite");
  const Clock::time_point now = local_noon(2024, 5, 15);
};

TEST_F(History, GroupsVisitsByLocalDayNewestFirst) {
  HistoryStore store(path);
  ASSERT_TRUE(store.record("http://a.test/", "A", now - days(3)));
  ASSERT_TRUE(store.record("http://b.test/", "B \"quoted\" \xC3\xBC", now - hours(2)));
  const std::int64_t untitled = store.record("http://c.test/", "", now - minutes(5));
  ASSERT_NE(untitled, 0);
  const std::int64_t named_later = store.record("http://e.test/", "", now - minutes(4));
  ASSERT_TRUE(store.set_title(named_later, "Named later"));
  ASSERT_TRUE(store.record("http://d.test/", "D", now - days(1)));
  // Visited again later the same day: listed once, at its latest visit and title.
  ASSERT_TRUE(store.record("http://b.test/", "B again", now - minutes(1)));

  const HistoryReading reading = read_history(path, now, 100);
  ASSERT_TRUE(reading.available);
  EXPECT_FALSE(reading.truncated);
  ASSERT_EQ(reading.days.size(), 3U);
  EXPECT_EQ(reading.days[0].day, 15);
  EXPECT_EQ(addresses(reading.days[0]),
            (std::vector<std::string>{"http://b.test/", "http://e.test/", "http://c.test/"}));
  EXPECT_EQ(reading.days[0].entries[0].title, "B again");
  EXPECT_EQ(reading.days[0].entries[1].title, "Named later");
  EXPECT_EQ(reading.days[0].entries[2].title, "");
  EXPECT_EQ(reading.days[1].day, 14);
  EXPECT_EQ(addresses(reading.days[1]), std::vector<std::string>{"http://d.test/"});
  EXPECT_EQ(reading.days[2].day, 12);
  EXPECT_EQ(reading.days[2].month, 5);
  EXPECT_EQ(reading.days[2].year, 2024);

  // The cap counts visits, and says that there were more.
  const HistoryReading capped = read_history(path, now, 2);
  EXPECT_TRUE(capped.truncated);
  ASSERT_EQ(capped.days.size(), 1U);
  EXPECT_EQ(addresses(capped.days[0]),
            (std::vector<std::string>{"http://b.test/", "http://e.test/"}));
}

TEST_F(History, KeepsTwentyDays) {
  HistoryStore store(path);
  ASSERT_TRUE(store.record("http://old.test/", "", now - days(21)));
  ASSERT_TRUE(store.record("http://kept.test/", "", now - days(19)));
  // Not shown any more even before it is purged...
  auto reading = read_history(path, now, 100);
  ASSERT_EQ(reading.days.size(), 1U);
  EXPECT_EQ(addresses(reading.days[0]), std::vector<std::string>{"http://kept.test/"});
  // ...and purging really deletes it: seen from ten days earlier it is gone.
  ASSERT_TRUE(store.purge(now));
  reading = read_history(path, now - days(10), 100);
  ASSERT_EQ(reading.days.size(), 1U);
  EXPECT_EQ(addresses(reading.days[0]), std::vector<std::string>{"http://kept.test/"});

  ASSERT_TRUE(store.clear());
  EXPECT_TRUE(read_history(path, now, 100).days.empty());
}

TEST_F(History, RecordingPurgesOldVisitsOfEarlierRuns) {
  {
    HistoryStore earlier(path);
    ASSERT_TRUE(earlier.record("http://ancient.test/", "", Clock::now() - days(30)));
  }
  HistoryStore store(path);
  ASSERT_TRUE(store.record("http://new.test/", "", Clock::now()));
  // Seen from 15 days ago the 30-day-old visit would still be in range, were it there.
  const auto reading = read_history(path, Clock::now() - days(15), 100);
  ASSERT_EQ(reading.days.size(), 1U);
  EXPECT_EQ(addresses(reading.days[0]), std::vector<std::string>{"http://new.test/"});
}

TEST_F(History, TheDatabaseAndItsJournalsAreTheUsersAloneWhateverTheUmask) {
  const mode_t old_umask = umask(022);
  HistoryStore store(path);
  ASSERT_NE(store.record("http://a.test/", "A", now), 0);
  umask(old_umask);
  for (const char* suffix : {"", "-wal", "-shm"}) {
    GStatBuf info;
    ASSERT_EQ(g_stat((path + suffix).c_str(), &info), 0) << suffix;
    EXPECT_EQ(info.st_mode & 0777, 0600U) << suffix;
  }
}

TEST_F(History, NothingRecordedYetReadsAsEmpty) {
  const auto reading = read_history(path, now, 100);
  EXPECT_TRUE(reading.available);
  EXPECT_TRUE(reading.days.empty());
  EXPECT_FALSE(std::filesystem::exists(path)) << "reading must not create the database";
}

TEST_F(History, ALockedDatabaseIsSkippedAtOnce) {
  HistoryStore store(path);
  ASSERT_TRUE(store.record("http://before.test/", "", now));
  {
    OtherConnection other(path);
    ASSERT_EQ(other.exec("BEGIN EXCLUSIVE"), SQLITE_OK);
    EXPECT_FALSE(store.record("http://while-locked.test/", "", now));
    EXPECT_FALSE(store.clear());
    // Reading goes on beside a writer.
    EXPECT_TRUE(read_history(path, now, 100).available);
    other.exec("COMMIT");
  }
  EXPECT_TRUE(store.record("http://after.test/", "", now));
  const auto reading = read_history(path, now, 100);
  ASSERT_EQ(reading.days.size(), 1U);
  EXPECT_EQ(addresses(reading.days[0]),
            (std::vector<std::string>{"http://after.test/", "http://before.test/"}));
}

TEST_F(History, ADatabaseLockedBeforeWeOpenItIsSkipped) {
  // Another program holds the file exclusively from the start, in its own journal mode.
  OtherConnection other(path);
  ASSERT_EQ(other.exec("PRAGMA locking_mode=EXCLUSIVE; CREATE TABLE t(x); INSERT INTO t VALUES(1)"),
            SQLITE_OK);
  HistoryStore store(path);
  EXPECT_FALSE(store.record("http://a.test/", "", now));
  EXPECT_FALSE(read_history(path, now, 100).available);
}

TEST_F(History, ABrokenDatabaseIsSkippedAndLeftAlone) {
  const std::string garbage = "this is not a database\n" + std::string(5000, '\x7f');
  test::write_bytes(path, garbage);
  HistoryStore store(path);
  EXPECT_FALSE(store.record("http://a.test/", "", now));
  EXPECT_FALSE(store.record("http://b.test/", "", now));
  EXPECT_FALSE(read_history(path, now, 100).available);
  EXPECT_EQ(test::read_file(path), garbage) << "the user's file is not ours to overwrite";

  // A real database cut short.
  const std::string cut = dir.file("cut.sqlite");
  {
    HistoryStore full(cut);
    for (int i = 0; i < 500; ++i) {
      ASSERT_TRUE(
          full.record("http://page" + std::to_string(i) + ".test/", std::string(200, 'x'), now));
    }
  }
  std::filesystem::resize_file(cut, 3000);
  const auto reading = read_history(cut, now, 1000);
  EXPECT_FALSE(reading.available);
  EXPECT_TRUE(reading.days.empty());
}

TEST(HistoryRecorder, KeepsWebAndFilePagesOnly) {
  for (const char* address :
       {"http://a.test/", "https://a.test/x?y", "HTTP://A.TEST/", "file:///tmp/page.html"}) {
    EXPECT_TRUE(recorded_in_history(address)) << address;
  }
  for (const char* address : {"about:blank", "kv-shell://history/", "kv-shell://favorites/x",
                              "data:text/html,hi", "javascript:1", "blob:x", "", "nonsense"}) {
    EXPECT_FALSE(recorded_in_history(address)) << address;
  }
}

}  // namespace
}  // namespace kv
