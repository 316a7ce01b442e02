// Sync against a real WebDAV server (Apache's mod_dav), with two profiles standing for
// two machines: each its own favourites folder, fav.Dat and sync folder.
#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "apache_dav.h"
#include "bookmarks/xbel.h"
#include "desktop/glib_handles.h"
#include "favorites/favorites_on_disk.h"
#include "shell/link_names.h"
#include "support/temp_dir.h"
#include "sync/soup_dav_client.h"
#include "sync/sync_job.h"

namespace kv {
namespace {

using Kind = SyncOutcome::Kind;
using test::ApacheDav;

std::string contents(const std::string& path) {
  OwnedChars text;
  gsize length = 0;
  if (!g_file_get_contents(path.c_str(), out(text), &length, nullptr)) return "(none)";
  return std::string(text.get(), length);
}

void put(const std::string& path, const std::string& bytes) {
  g_file_set_contents(path.c_str(), bytes.data(), static_cast<gssize>(bytes.size()), nullptr);
}

// The client, with a hook before each request and a count of them.
class WatchedDav : public DavClient {
 public:
  explicit WatchedDav(const std::string& password) : dav_(ApacheDav::kUser, password, nullptr) {}

  DavResponse get(const std::string& url) override {
    return seen("GET", url, [&] { return dav_.get(url); });
  }
  DavResponse put(const std::string& url, std::string_view body, const std::string& if_match,
                  bool only_new) override {
    return seen("PUT", url, [&] { return dav_.put(url, body, if_match, only_new); });
  }
  DavResponse etag(const std::string& url) override {
    return seen("PROPFIND", url, [&] { return dav_.etag(url); });
  }
  DavResponse make_folder(const std::string& url) override {
    return seen("MKCOL", url, [&] { return dav_.make_folder(url); });
  }
  DavResponse remove(const std::string& url) override {
    return seen("DELETE", url, [&] { return dav_.remove(url); });
  }
  void pause(std::chrono::milliseconds time) override { dav_.pause(time); }

  std::function<void(const std::string& method, const std::string& url)> before;
  int requests = 0;

 private:
  template <typename Call>
  DavResponse seen(const char* method, const std::string& url, Call&& call) {
    ++requests;
    if (before) before(method, url);
    return call();
  }

  SoupDavClient dav_;
};

class WebDav : public ::testing::Test {
 protected:
  struct Machine {
    Machine() { g_mkdir(home.file("Favorites").c_str(), 0700); }
    test::TempDir home;
    FavoritesOnDisk favorites{home.file("Favorites"), home.file("fav.Dat")};
    SyncStore store{home.file("sync")};

    [[nodiscard]] std::string path(const std::string& name) const {
      return home.file("Favorites/" + name);
    }
    void link(const std::string& name, const std::string& address) const {
      put(path(name), internet_shortcut_text(address));
    }
    [[nodiscard]] std::string list() const { return contents(home.file("fav.Dat")); }
  };

  static void SetUpTestSuite() { server = new ApacheDav(); }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(server->running()) << server->why();
    server->clear();
  }

  SyncOutcome sync(Machine& machine, SyncRequest request = {},
                   const std::string& password = ApacheDav::kPassword) {
    WatchedDav dav(password);
    dav.before = before;
    request.settings = {server->address() + "sync/", ApacheDav::kUser, "bookmarks.xbel"};
    const SyncOutcome outcome =
        run_sync(request, dav, machine.favorites, machine.store, std::time(nullptr));
    requests = dav.requests;
    return outcome;
  }

  [[nodiscard]] static std::string server_file() { return server->file("sync/bookmarks.xbel"); }

  static ApacheDav* server;
  std::function<void(const std::string&, const std::string&)> before;
  int requests = 0;
  Machine first, second;
};

ApacheDav* WebDav::server = nullptr;

TEST_F(WebDav, AFavouriteAddedOnOneIsOnTheOtherAndNothingChangedCostsOneRequest) {
  g_mkdir(first.path("Work").c_str(), 0700);
  first.link("Work/Wiki.url", "https://wiki.example/?a=1&b=2");
  // fav.Dat as the old platform wrote it: Windows-1252, a blank line, a duplicate.
  put(first.home.file("fav.Dat"),
      "caf\xE9.example\r\n\r\nhttp://x.example/\r\nhttp://x.example/\r\n");
  const SyncOutcome made = sync(first);
  ASSERT_EQ(made.kind, Kind::kSynced) << made.text;
  ASSERT_EQ(sync(second).kind, Kind::kSynced);
  EXPECT_EQ(contents(second.path("Work/Wiki.url")),
            internet_shortcut_text("https://wiki.example/?a=1&b=2"));
  EXPECT_EQ(second.list(), first.list());
  sync(first);
  sync(first);
  EXPECT_EQ(requests, 1);
}

TEST_F(WebDav, DeletedOnTheSecondItIsGoneFromTheFirstAndStaysGone) {
  first.link("Keep.url", "https://keep.example/");
  first.link("Drop.url", "https://drop.example/");
  put(first.home.file("fav.Dat"), "one\r\ntwo\r\n");
  sync(first);
  sync(second);
  g_remove(second.path("Drop.url").c_str());
  put(second.home.file("fav.Dat"), "two\r\n");
  ASSERT_EQ(sync(second).kind, Kind::kSynced);
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(sync(first).kind, Kind::kSynced);
    ASSERT_EQ(sync(second).kind, Kind::kSynced);
  }
  EXPECT_FALSE(g_file_test(first.path("Drop.url").c_str(), G_FILE_TEST_EXISTS));
  EXPECT_TRUE(g_file_test(first.path("Keep.url").c_str(), G_FILE_TEST_EXISTS));
  EXPECT_EQ(first.list(), "two\r\n");
  EXPECT_EQ(contents(server_file()).find("drop.example"), std::string::npos);
}

TEST_F(WebDav, AFolderMovedOnOneAndRenamedOnTheOtherEndsMovedAndRenamed) {
  g_mkdir(first.path("Projects").c_str(), 0700);
  g_mkdir(first.path("Archive").c_str(), 0700);
  first.link("Projects/Alpha.url", "https://alpha.example/");
  first.link("Projects/Beta.url", "https://beta.example/");
  sync(first);
  sync(second);
  g_rename(first.path("Projects").c_str(), first.path("Archive/Projects").c_str());
  g_rename(second.path("Projects").c_str(), second.path("Old projects").c_str());
  ASSERT_EQ(sync(first).kind, Kind::kSynced);
  ASSERT_EQ(sync(second).kind, Kind::kSynced);
  ASSERT_EQ(sync(first).kind, Kind::kSynced);
  for (Machine* machine : {&first, &second}) {
    EXPECT_TRUE(
        g_file_test(machine->path("Archive/Old projects/Alpha.url").c_str(), G_FILE_TEST_EXISTS));
    EXPECT_TRUE(
        g_file_test(machine->path("Archive/Old projects/Beta.url").c_str(), G_FILE_TEST_EXISTS));
    EXPECT_FALSE(g_file_test(machine->path("Projects").c_str(), G_FILE_TEST_EXISTS));
    EXPECT_FALSE(g_file_test(machine->path("Old projects").c_str(), G_FILE_TEST_EXISTS));
  }
}

TEST_F(WebDav, AFileWrittenByAThirdClientBetweenReadAndWriteIsMergedNotOverwritten) {
  first.link("One.url", "https://one.example/");
  sync(first);
  first.link("Two.url", "https://two.example/");
  bool written = false;
  before = [&](const std::string& method, const std::string& url) {
    if (written || method != "PUT" || url.ends_with(".lock")) return;
    written = true;
    XbelDocument document = read_xbel(contents(server_file())).document;
    XbelItem third;
    third.kind = XbelItem::Kind::kBookmark;
    third.id = "500";
    third.title = "Third";
    third.href = "https://third.example/";
    document.items.push_back(third);
    SoupDavClient other(ApacheDav::kUser, ApacheDav::kPassword, nullptr);
    ASSERT_TRUE(
        other.put(server->address() + "sync/bookmarks.xbel", write_xbel(document), "", false).ok());
  };
  const SyncOutcome outcome = sync(first);
  ASSERT_EQ(outcome.kind, Kind::kSynced) << outcome.text;
  const std::string file = contents(server_file());
  for (const char* address : {"one.example", "two.example", "third.example"}) {
    EXPECT_NE(file.find(address), std::string::npos) << address;
  }
  EXPECT_TRUE(g_file_test(first.path("Third.url").c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(WebDav, AWrongPasswordAndAServerThatDiesMidWriteLoseNothing) {
  first.link("One.url", "https://one.example/");
  sync(first);
  second.link("Mine.url", "https://mine.example/");
  const std::string server_before = contents(server_file());

  const SyncOutcome refused = sync(second, {}, "not the password");
  EXPECT_EQ(refused.kind, Kind::kFailed);
  EXPECT_NE(refused.text.find("refused the password"), std::string::npos) << refused.text;
  EXPECT_FALSE(refused.retry);
  EXPECT_FALSE(g_file_test(second.path("One.url").c_str(), G_FILE_TEST_EXISTS));

  SyncRequest merge;
  merge.first_sync = SyncMode::kMerge;
  before = [&](const std::string& method, const std::string& url) {
    if (method == "PUT" && !url.ends_with(".lock")) server->kill();
  };
  const SyncOutcome died = sync(second, merge);
  EXPECT_EQ(died.kind, Kind::kFailed) << died.text;
  EXPECT_TRUE(died.retry);
  EXPECT_EQ(contents(server_file()), server_before);
  EXPECT_FALSE(g_file_test(second.path("One.url").c_str(), G_FILE_TEST_EXISTS));
  EXPECT_TRUE(g_file_test(second.path("Mine.url").c_str(), G_FILE_TEST_EXISTS));

  before = nullptr;
  ASSERT_TRUE(server->restart()) << server->why();
  ASSERT_EQ(sync(second, merge).kind, Kind::kSynced);
  EXPECT_TRUE(g_file_test(second.path("One.url").c_str(), G_FILE_TEST_EXISTS));
  ASSERT_EQ(sync(first).kind, Kind::kSynced);
  EXPECT_TRUE(g_file_test(first.path("Mine.url").c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(WebDav, AFileInFloccusFormatComesInWholeAndGoesOutWithItsIdsKept) {
  const std::string fixture = contents(KV_BOOKMARKS_DATA "/floccus_bookmarks.xbel");
  SoupDavClient other(ApacheDav::kUser, ApacheDav::kPassword, nullptr);
  ASSERT_TRUE(other.make_folder(server->address() + "sync/").ok());
  ASSERT_TRUE(other.put(server->address() + "sync/bookmarks.xbel", fixture, "", true).ok());

  ASSERT_EQ(sync(first).kind, Kind::kSynced);
  EXPECT_EQ(contents(first.path("Bookmarks Toolbar/News & Weather.url")),
            internet_shortcut_text("https://news.example/?a=1&b=2"));
  EXPECT_TRUE(
      g_file_test(first.path("Bookmarks Toolbar/Recipes/Cr\xC3\xAApes 'n' things.url").c_str(),
                  G_FILE_TEST_EXISTS));
  EXPECT_TRUE(g_file_test(first.path("Other Bookmarks/Empty").c_str(), G_FILE_TEST_IS_DIR));
  EXPECT_TRUE(g_file_test(first.path("At the top.url").c_str(), G_FILE_TEST_EXISTS));
  // Read and nothing changed: the file is as floccus left it.
  EXPECT_EQ(contents(server_file()), fixture);

  first.link("Added.url", "https://added.example/");
  ASSERT_EQ(sync(first).kind, Kind::kSynced);
  const XbelDocument after = read_xbel(contents(server_file())).document;
  const XbelDocument before_doc = read_xbel(fixture).document;
  EXPECT_EQ(after.highest_id, 15);
  ASSERT_EQ(after.items.size(), before_doc.items.size() + 1);
  for (std::size_t i = 0; i < before_doc.items.size(); ++i)
    EXPECT_EQ(after.items[i], before_doc.items[i]);
  EXPECT_EQ(after.items.back().id, "15");
  EXPECT_EQ(after.items.back().href, "https://added.example/");
}

class WebDavHttps : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server = new ApacheDav(true); }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }
  static ApacheDav* server;
};

ApacheDav* WebDavHttps::server = nullptr;

TEST_F(WebDavHttps, ACertificateThatDoesNotVerifyIsNeverPassedOverAndNothingIsSynced) {
  ASSERT_TRUE(server->running()) << server->why();
  test::TempDir home;
  g_mkdir(home.file("Favorites").c_str(), 0700);
  put(home.file("Favorites/Mine.url"), internet_shortcut_text("https://mine.example/"));
  FavoritesOnDisk favorites(home.file("Favorites"), home.file("fav.Dat"));
  SyncStore store(home.file("sync"));
  SoupDavClient dav(ApacheDav::kUser, ApacheDav::kPassword, nullptr);
  SyncRequest request;
  request.settings = {server->address(), ApacheDav::kUser, "bookmarks.xbel"};
  const SyncOutcome outcome = run_sync(request, dav, favorites, store, std::time(nullptr));
  EXPECT_EQ(outcome.kind, Kind::kFailed);
  EXPECT_NE(outcome.text.find("certificate could not be verified"), std::string::npos)
      << outcome.text;
  EXPECT_FALSE(g_file_test(server->file("bookmarks.xbel").c_str(), G_FILE_TEST_EXISTS));
  EXPECT_FALSE(store.load().known);
}

}  // namespace
}  // namespace kv
