#include "sync/sync_job.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fake_dav.h"
#include "memory_favorites.h"
#include "support/temp_dir.h"
#include "sync/local_restore.h"
#include "sync/sync_lock.h"

namespace kv {
namespace {

using Kind = SyncOutcome::Kind;
constexpr const char* kFile = "https://dav.test/bookmarks.xbel";
constexpr std::time_t kNoon = 1796000400;

// Two machines and a server in memory, each machine with its own sync folder.
class SyncJob : public ::testing::Test {
 protected:
  struct Machine {
    test::MemoryFavorites favorites;
    test::TempDir dir;
    SyncStore store{dir.path()};
  };

  // Syncs are seconds apart: the server's ETags have settled since the last write,
  // unless a test keeps them weak.
  SyncOutcome sync(Machine& machine, SyncRequest request = {}) {
    if (settle_between) dav.settle();
    request.settings = settings;
    return run_sync(request, dav, machine.favorites, machine.store, now++);
  }

  // The server's requests during `step`.
  template <typename Step>
  std::vector<std::string> requests_of(Step&& step) {
    const std::size_t before = dav.requests.size();
    step();
    return {dav.requests.begin() + static_cast<std::ptrdiff_t>(before), dav.requests.end()};
  }

  void both_synced() {
    ASSERT_EQ(sync(a).kind, Kind::kSynced);
    ASSERT_EQ(sync(b).kind, Kind::kSynced);
    ASSERT_EQ(sync(a).kind, Kind::kSynced);
  }

  SyncSettings settings{"https://dav.test/", "alice", "bookmarks.xbel"};
  test::FakeDav dav;
  bool settle_between = true;
  Machine a, b;
  std::time_t now = kNoon;
};

TEST_F(SyncJob, AFavouriteReachesTheOtherMachineAndASyncWithNothingChangedAsksOnce) {
  a.favorites.put_link("Wiki.url", "https://wiki.example/");
  a.favorites.list = {"http://news.example/"};
  const SyncOutcome first = sync(a);
  EXPECT_EQ(first.kind, Kind::kSynced) << first.text;
  EXPECT_EQ(first.text, "Synced " + clock_time(kNoon) + ", 2 sent to the server");
  const SyncOutcome there = sync(b);
  EXPECT_EQ(there.text, "Synced " + clock_time(kNoon + 1) + ", 2 added, 0 removed");
  EXPECT_TRUE(there.local_changed);
  EXPECT_EQ(b.favorites.outline(),
            "Wiki.url <https://wiki.example/>\nlist: http://news.example/ |");
  // The first sync after a write reads the file once; from then on one PROPFIND will do.
  EXPECT_EQ(requests_of([&] { sync(a); }), std::vector<std::string>{"GET " + std::string(kFile)});
  EXPECT_EQ(requests_of([&] { sync(a); }),
            std::vector<std::string>{"PROPFIND " + std::string(kFile)});
  EXPECT_EQ(requests_of([&] { sync(b); }).size(), 1U);
}

TEST_F(SyncJob, AFileWrittenBetweenReadAndWriteIsMergedNotOverwritten) {
  a.favorites.put_link("One.url", "https://one.example/");
  both_synced();
  a.favorites.put_link("Two.url", "https://two.example/");
  // A third client (an editor of the file, which takes no lock) writes while a is
  // between reading and writing.
  dav.before_put = [&] {
    dav.before_put = nullptr;
    XbelDocument document = read_xbel(dav.files[kFile].body).document;
    XbelItem added;
    added.kind = XbelItem::Kind::kBookmark;
    added.id = "77";
    added.title = "Three";
    added.href = "https://three.example/";
    document.items.push_back(added);
    dav.write(kFile, write_xbel(document));
  };
  const SyncOutcome outcome = sync(a);
  EXPECT_EQ(outcome.kind, Kind::kSynced) << outcome.text;
  sync(b);
  const std::string expected =
      "One.url <https://one.example/>\nThree.url <https://three.example/>\n"
      "Two.url <https://two.example/>\nlist:";
  EXPECT_EQ(a.favorites.outline(), expected);
  EXPECT_EQ(b.favorites.outline(), expected);
}

TEST_F(SyncJob, AWeakEtagIsTakenAgainOnceSettledAndNeverSentInIfMatch) {
  settle_between = false;
  a.favorites.put_link("One.url", "https://one.example/");
  sync(a);
  // Right after the write the server still gives a weak ETag.
  a.favorites.put_link("Two.url", "https://two.example/");
  const auto requests = requests_of([&] { EXPECT_EQ(sync(a).kind, Kind::kSynced); });
  EXPECT_EQ(dav.pauses, 1);
  EXPECT_EQ(requests,
            (std::vector<std::string>{
                "GET " + std::string(kFile), "PROPFIND " + std::string(kFile),
                "GET " + std::string(kFile) + ".lock", "PUT " + std::string(kFile) + ".lock",
                "PUT " + std::string(kFile), "DELETE " + std::string(kFile) + ".lock"}));
  // A server whose ETags stay weak: the content read again stands in for them, once.
  dav.always_weak = true;
  a.favorites.put_link("Three.url", "https://three.example/");
  const SyncOutcome weak = sync(a);
  EXPECT_EQ(weak.kind, Kind::kSynced) << weak.text;
  EXPECT_NE(dav.files[kFile].body.find("three.example"), std::string::npos);
  EXPECT_LE(dav.pauses, 2);
}

TEST_F(SyncJob, ServerFaultsLeaveThisMachineAsItWasAndSaySo) {
  a.favorites.put_link("One.url", "https://one.example/");
  sync(a);
  b.favorites.put_link("Mine.url", "https://mine.example/");
  const std::string before = b.favorites.outline();
  struct Case {
    int status;
    const char* says;
    bool retry;
  };
  for (const Case& fault :
       {Case{401, "refused the password", false}, Case{503, "(error 503)", true},
        Case{-1, "could not be reached", true}, Case{507, "no room left", true}}) {
    dav.fail_with = fault.status;
    const SyncOutcome outcome = sync(b);
    EXPECT_EQ(outcome.kind, Kind::kFailed);
    EXPECT_NE(outcome.text.find(fault.says), std::string::npos) << outcome.text;
    EXPECT_EQ(outcome.retry, fault.retry);
    EXPECT_EQ(b.favorites.outline(), before);
  }
  dav.fail_with = 0;
  dav.write(kFile, "<html><body>Sign in</body></html>");
  const SyncOutcome not_xbel = sync(b);
  EXPECT_NE(not_xbel.text.find("not an XBEL"), std::string::npos);
  EXPECT_EQ(b.favorites.outline(), before);
  EXPECT_EQ(b.favorites.changes, 0);
}

TEST_F(SyncJob, AServerThatDiesMidWriteLosesNothingAndTheNextSyncFinishes) {
  a.favorites.put_link("One.url", "https://one.example/");
  both_synced();
  b.favorites.put_link("Two.url", "https://two.example/");
  a.favorites.erase("One.url");
  sync(a);
  const std::string server_before = dav.files[kFile].body;
  dav.before_put = [&] { dav.fail_with = -1; };
  const SyncOutcome died = sync(b);
  EXPECT_EQ(died.kind, Kind::kFailed);
  EXPECT_EQ(dav.files[kFile].body, server_before);
  EXPECT_EQ(b.favorites.outline(),
            "One.url <https://one.example/>\nTwo.url <https://two.example/>\nlist:");
  dav.before_put = nullptr;
  dav.fail_with = 0;
  EXPECT_EQ(sync(b).kind, Kind::kSynced);
  sync(a);
  EXPECT_EQ(b.favorites.outline(), "Two.url <https://two.example/>\nlist:");
  EXPECT_EQ(a.favorites.outline(), b.favorites.outline());
}

TEST_F(SyncJob, AFirstSyncWithFavouritesOnBothSidesAsksAndDoesAsAnswered) {
  a.favorites.put_link("A.url", "https://a.example/");
  sync(a);
  b.favorites.put_link("B.url", "https://b.example/");
  b.favorites.list = {"b line"};
  const SyncOutcome asked = sync(b);
  EXPECT_EQ(asked.kind, Kind::kQuestion);
  EXPECT_EQ(asked.question, SyncOutcome::Question::kFirstSync);
  EXPECT_EQ(asked.local_count, 2U);
  EXPECT_EQ(asked.server_count, 1U);
  EXPECT_EQ(b.favorites.changes, 0);
  SyncRequest merge;
  merge.first_sync = SyncMode::kMerge;
  EXPECT_EQ(sync(b, merge).kind, Kind::kSynced);
  EXPECT_EQ(b.favorites.outline(),
            "A.url <https://a.example/>\nB.url <https://b.example/>\nlist: b line |");
  // Answered once: the next syncs ask nothing.
  b.favorites.put_link("C.url", "https://c.example/");
  EXPECT_EQ(sync(b).kind, Kind::kSynced);
}

TEST_F(SyncJob, ALargeRemovalAsksShowingWhatWouldGoAndIsDoneOrUndoneAsAnswered) {
  for (int i = 0; i < 10; ++i) {
    a.favorites.put_link("L" + std::to_string(i) + ".url",
                         "https://l" + std::to_string(i) + ".example/");
  }
  both_synced();
  for (int i = 0; i < 7; ++i) a.favorites.erase("L" + std::to_string(i) + ".url");
  const SyncOutcome asked = sync(a);
  EXPECT_EQ(asked.question, SyncOutcome::Question::kLargeRemoval);
  ASSERT_EQ(asked.would_remove.size(), 7U);
  EXPECT_EQ(asked.would_remove[0], "L0 (https://l0.example/)");
  EXPECT_EQ(flatten(read_xbel(dav.files[kFile].body).document).size(), 10U);

  SyncRequest keep;
  keep.removal = SyncRequest::Removal::kKeep;
  EXPECT_EQ(sync(a, keep).kind, Kind::kSynced);
  EXPECT_EQ(a.favorites.entries.size(), 10U);

  for (int i = 0; i < 7; ++i) a.favorites.erase("L" + std::to_string(i) + ".url");
  SyncRequest remove;
  remove.removal = SyncRequest::Removal::kRemove;
  EXPECT_EQ(sync(a, remove).kind, Kind::kSynced);
  // b is asked in turn, before it loses them.
  EXPECT_EQ(sync(b).question, SyncOutcome::Question::kLargeRemoval);
  EXPECT_EQ(b.favorites.entries.size(), 10U);
  EXPECT_EQ(sync(b, remove).kind, Kind::kSynced);
  EXPECT_EQ(b.favorites.entries.size(), 3U);
}

TEST_F(SyncJob, FloccussLockIsRespectedWhileFreshAndOursIsTakenAndLetGo) {
  a.favorites.put_link("One.url", "https://one.example/");
  sync(a);
  const std::string lock = std::string(kFile) + ".lock";
  dav.write(lock, "<html><body>I am a lock file</body></html>");
  dav.files[lock].last_modified = "Tue, 08 Dec 2026 12:00:00 GMT";
  now = 1796731200 + 60;  // a minute after that
  a.favorites.put_link("Two.url", "https://two.example/");
  const SyncOutcome busy = sync(a);
  EXPECT_EQ(busy.kind, Kind::kBusy) << busy.text;
  EXPECT_EQ(dav.files[kFile].body.find("two.example"), std::string::npos);
  now += 20 * 60;  // stale
  EXPECT_EQ(sync(a).kind, Kind::kSynced);
  EXPECT_NE(dav.files[kFile].body.find("two.example"), std::string::npos);
  EXPECT_EQ(dav.files.count(lock), 0U);
}

TEST_F(SyncJob, AMissingFolderIsMadeAndBackupsKeepTheLastFive) {
  settings.folder = "https://dav.test/new/";
  a.favorites.put_link("One.url", "https://one.example/");
  EXPECT_EQ(sync(a).kind, Kind::kSynced);
  EXPECT_EQ(dav.files.count("https://dav.test/new/bookmarks.xbel"), 1U);
  for (int i = 0; i < 7; ++i) {
    dav.write("https://dav.test/new/bookmarks.xbel",
              dav.files["https://dav.test/new/bookmarks.xbel"].body);  // settled
    a.favorites.put_link("N" + std::to_string(i) + ".url",
                         "https://n" + std::to_string(i) + ".example/");
    b.favorites.put_link("M" + std::to_string(i) + ".url",
                         "https://m" + std::to_string(i) + ".example/");
    ASSERT_EQ(sync(a).kind, Kind::kSynced);
  }
  EXPECT_EQ(a.store.server_backups().size(), 5U);
  const std::string newest = a.store.server_backups().front();
  EXPECT_NE(newest.find("/backups/server-"), std::string::npos);
  // This machine's own favourites are kept only before a sync changes them.
  EXPECT_TRUE(a.store.local_backups().empty());
  SyncRequest merge;
  merge.first_sync = SyncMode::kMerge;
  ASSERT_EQ(sync(b, merge).kind, Kind::kSynced);
  ASSERT_EQ(b.store.local_backups().size(), 1U);
  const auto kept = local_backup_of([&] {
    gchar* text = nullptr;
    gsize length = 0;
    g_file_get_contents(b.store.local_backups()[0].path.c_str(), &text, &length, nullptr);
    std::string copy(text, length);
    g_free(text);
    return copy;
  }());
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->folder.children.size(), 7U);
}

TEST_F(SyncJob, TwoProgramsNeverSyncAtOnce) {
  const test::TempDir profile;
  SyncRequest request;
  request.lock_path = profile.file("sync.lock");
  const SyncLock other(request.lock_path);
  ASSERT_TRUE(other.held());
  a.favorites.put_link("One.url", "https://one.example/");
  const SyncOutcome outcome = sync(a, request);
  EXPECT_EQ(outcome.kind, Kind::kBusy);
  EXPECT_TRUE(dav.requests.empty());
}

TEST_F(SyncJob, SettingsThatNameNoServerFileSyncNothing) {
  for (const auto& [folder, file] :
       std::vector<std::pair<std::string, std::string>>{{"", "b.xbel"},
                                                        {"ftp://x/", "b.xbel"},
                                                        {"dav.test", "b.xbel"},
                                                        {"https://dav.test/", "a/b.xbel"},
                                                        {"https://dav.test/", ""},
                                                        {"https://dav.test/?x", "b.xbel"}}) {
    settings = {folder, "u", file};
    const SyncOutcome outcome = sync(a);
    EXPECT_EQ(outcome.kind, Kind::kFailed) << folder << " " << file;
    EXPECT_FALSE(outcome.retry);
  }
  EXPECT_TRUE(dav.requests.empty());
  std::string why;
  EXPECT_EQ(
      sync_file_address({"https://cloud.example/remote.php/dav/files/ann", "u", "my bm.xbel"}, why),
      "https://cloud.example/remote.php/dav/files/ann/my%20bm.xbel");
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

TEST(RestoreFavorites, AMachinesFavouritesComeBackAsABackupHeldThem) {
  test::MemoryFavorites favorites;
  favorites.put_folder("Work");
  favorites.put_link("Work/Wiki.url", "https://wiki.example/");
  favorites.put_link("Top.url", "https://top.example/");
  favorites.list = {"caf\xE9", "", "second"};
  const std::string before = favorites.outline();
  const auto backup = local_backup_of(local_backup_text(favorites.read()));
  ASSERT_TRUE(backup);

  favorites.erase("Work");
  favorites.put_link("Top.url", "https://changed.example/");
  favorites.put_link("New.url", "https://new.example/");
  favorites.put_folder("New folder");
  favorites.list = {"other"};
  EXPECT_TRUE(restore_favorites(favorites, *backup));
  EXPECT_EQ(favorites.outline(), before);
}

}  // namespace
}  // namespace kv
