// The Sync page of Internet Options and the browser's background sync, against a real
// WebDAV server and a keyring of the tests' own.
#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "apache_dav.h"
#include "app/options/sync_section.h"
#include "engine/logins/test_keyring.h"
#include "favorites/add_favorite.h"
#include "favorites/fav_window.h"
#include "favorites/favorites_on_disk.h"
#include "favorites/frm_fav.h"
#include "shell/link_names.h"
#include "shell/shell_folders.h"
#include "support/program_with_fakes.h"
#include "support/run_until.h"
#include "sync/soup_dav_client.h"
#include "sync/sync_job.h"

namespace kv {
namespace {

using namespace std::chrono_literals;
using test::ApacheDav;

std::string contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

void put(const std::string& path, const std::string& bytes) {
  g_file_set_contents(path.c_str(), bytes.data(), static_cast<gssize>(bytes.size()), nullptr);
}

// Every file under `folder` that holds `text`.
std::vector<std::string> files_holding(const std::string& folder, const std::string& text) {
  std::vector<std::string> found;
  std::error_code error;
  for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file(error) && contents(it->path()).find(text) != std::string::npos) {
      found.push_back(it->path());
    }
  }
  return found;
}

bool saved(LoginStore& store, const SavedLogin& login, const std::string& password) {
  std::optional<bool> done;
  store.save(login, password, [&](bool ok) { done = ok; });
  return test::run_until([&] { return done.has_value(); }) && *done;
}

std::string server_file_of(ApacheDav& server) {
  return contents(server.file("sync/bookmarks.xbel"));
}

// The server holds what another machine synced: one favourite.
void other_machine_syncs(ApacheDav& server, const std::string& address) {
  test::TempDir home;
  g_mkdir(home.file("Favorites").c_str(), 0700);
  put(home.file("Favorites/Theirs.url"), internet_shortcut_text(address));
  FavoritesOnDisk favorites(home.file("Favorites"), home.file("fav.Dat"));
  SyncStore store(home.file("sync"));
  SoupDavClient dav(ApacheDav::kUser, ApacheDav::kPassword, nullptr);
  SyncRequest request;
  request.settings = {server.address() + "sync/", ApacheDav::kUser, "bookmarks.xbel"};
  ASSERT_EQ(run_sync(request, dav, favorites, store, std::time(nullptr)).kind,
            SyncOutcome::Kind::kSynced);
}

class SyncWindows : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server = new ApacheDav(); }
  static void TearDownTestSuite() { delete server; }

  // One keyring for the whole run: the keyring library keeps its session with the
  // first service it met.
  static test::TestKeyring& keyring() {
    static test::TestKeyring started;
    return started;
  }

  void SetUp() override {
    ASSERT_TRUE(keyring().ready());
    ASSERT_TRUE(server->running()) << server->why();
    server->clear();
    g_remove(sync_settings_path().c_str());
    g_mkdir(home.file("Favorites").c_str(), 0700);
  }

  [[nodiscard]] SyncPlaces places() const {
    return {home.file("Favorites"), home.file("fav.Dat"), home.file("sync"),
            home.file("sync.lock")};
  }
  [[nodiscard]] SyncSettings settings() const {
    return {server->address() + "sync/", ApacheDav::kUser, "bookmarks.xbel"};
  }
  void set_up_sync() {
    ASSERT_TRUE(save_sync_settings(settings()));
    ASSERT_TRUE(saved(sync_login_store(), sync_login(settings()), ApacheDav::kPassword));
  }

  static ApacheDav* server;
  test::TempDir home;
};

ApacheDav* SyncWindows::server = nullptr;

class SyncPage : public SyncWindows {
 protected:
  void show() {
    window.add(page);
    window.show_all();
  }
  bool synced() {
    return test::run_until([&] { return page.lblSyncState.get_text().find("Synced") == 0; }, 30s);
  }

  Gtk::Window window;
  SyncSection page{places()};
};

TEST_F(SyncPage, SyncNowKeepsWhatWasTypedAndThePasswordOnlyInTheKeyring) {
  put(home.file("Favorites/Mine.url"), internet_shortcut_text("https://mine.example/"));
  show();
  page.txtSyncFolder.set_text(settings().folder);
  page.txtSyncUser.set_text(ApacheDav::kUser);
  page.txtSyncPassword.set_text(ApacheDav::kPassword);
  page.cmdSyncNow.clicked();
  ASSERT_TRUE(synced()) << page.lblSyncState.get_text();
  EXPECT_EQ(load_sync_settings(), settings());
  EXPECT_NE(server_file_of(*server).find("https://mine.example/"), std::string::npos);
  EXPECT_EQ(page.txtSyncPassword.get_text(), "");
  EXPECT_EQ(last_sync_outcome(), page.lblSyncState.get_text());
  // In the keyring, and in no file of the profile or of the favourites.
  std::optional<std::string> kept;
  sync_login_store().password(sync_login(settings()),
                              [&](std::optional<std::string> p) { kept = p.value_or("none"); });
  ASSERT_TRUE(test::run_until([&] { return kept.has_value(); }));
  EXPECT_EQ(*kept, ApacheDav::kPassword);
  EXPECT_TRUE(files_holding(home.path(), ApacheDav::kPassword).empty());
  EXPECT_TRUE(files_holding(g_get_user_config_dir(), ApacheDav::kPassword).empty());
  EXPECT_TRUE(files_holding(g_get_user_data_dir(), ApacheDav::kPassword).empty());
  // Never among the pages' passwords.
  std::optional<std::vector<SavedLogin>> pages;
  desktop_login_store().find(
      "", [&](auto found) { pages = found.value_or(std::vector<SavedLogin>{}); });
  ASSERT_TRUE(test::run_until([&] { return pages.has_value(); }));
  EXPECT_TRUE(pages->empty());
}

TEST_F(SyncPage, AFirstSyncAsksHereAndTheWayBackUndoesWhatTheAnswerDid) {
  other_machine_syncs(*server, "https://theirs.example/");
  put(home.file("Favorites/Mine.url"), internet_shortcut_text("https://mine.example/"));
  set_up_sync();
  show();
  page.cmdSyncNow.clicked();
  ASSERT_TRUE(test::run_until(
      [&] { return page.question() != nullptr && page.question()->get_visible(); }, 30s));
  SyncQuestionWindow& question = *page.question();
  EXPECT_NE(question.lblSyncQuestion.get_text().find(
                "This computer has 1 favorite and the server's file has 1 favorite"),
            std::string::npos)
      << question.lblSyncQuestion.get_text();
  EXPECT_TRUE(question.get_modal());
  question.cmdSyncMerge.clicked();
  ASSERT_TRUE(synced()) << page.lblSyncState.get_text();
  EXPECT_TRUE(g_file_test(home.file("Favorites/Theirs.url").c_str(), G_FILE_TEST_EXISTS));

  // The merge changed this machine: the way back lists how it was before.
  ASSERT_TRUE(page.cmdSyncRestore.get_sensitive());
  EXPECT_EQ(page.cboSyncRestore.get_active_text().find("Before the sync of "), 0U);
  page.cmdSyncRestore.clicked();
  EXPECT_FALSE(g_file_test(home.file("Favorites/Theirs.url").c_str(), G_FILE_TEST_EXISTS));
  EXPECT_TRUE(g_file_test(home.file("Favorites/Mine.url").c_str(), G_FILE_TEST_EXISTS));
}

// The program object on fakes, with the user's favourites folder of this test run.
class BackgroundSync : public SyncWindows {
 protected:
  void SetUp() override {
    SyncWindows::SetUp();
    std::error_code ignored;
    std::filesystem::remove_all(favorites_folder_path(), ignored);
    std::filesystem::remove_all(sync_data_dir(), ignored);
    g_mkdir_with_parents(favorites_folder_path().c_str(), 0700);
  }

  test::TempDir folder;
  test::ScriptedDesktopServices services;
  test::FakeBrowsers browsers;
  std::unique_ptr<Program> program;

  Program& start() {
    program = std::make_unique<Program>(services, browsers, folder.path(), [] {});
    program->open_first_main_window();
    program->favorites_sync().program_started();
    return *program;
  }
};

TEST_F(BackgroundSync, AFavouriteAddedInTheBrowserReachesTheServerOnItsOwn) {
  set_up_sync();
  Program& browser = start();
  Form1& form = *browser.first_main_window();
  form.cboURL_entry().set_text("http://added.example/");
  add_to_favorites(form, browser);
  ASSERT_TRUE(test::run_until(
      [&] { return server_file_of(*server).find("http://added.example/") != std::string::npos; },
      30s));
  // The list was written for it, and the window knows it is saved.
  EXPECT_EQ(contents(browser.favorites_file()), "http://added.example/\r\n");
  EXPECT_FALSE(browser.favorites_window()->changed);
}

TEST_F(BackgroundSync, WhatAnotherProgramSyncedShowsInTheFavouritesWindowWithItsOwnAdditionsKept) {
  set_up_sync();
  put(folder.file("fav.Dat"), "first\r\n");
  Program& browser = start();
  ASSERT_TRUE(test::run_until(
      [&] {
        return !browser.favorites_sync().running() &&
               server_file_of(*server).find("first") != std::string::npos;
      },
      30s));
  frmFav& window = load_favorites_window(browser);
  window.items().add_item("mine, not saved yet");
  window.changed = true;

  // Internet Options syncs what another machine added to the list.
  put(folder.file("fav.Dat"), "first\r\ntheirs\r\n");
  ASSERT_TRUE(test::run_until([&] { return window.items().count() == 3; }, 20s));
  // Its own line comes after the one it followed here.
  EXPECT_EQ(window.items().item(0), "first");
  EXPECT_EQ(window.items().item(1), "mine, not saved yet");
  EXPECT_EQ(window.items().item(2), "theirs");
  EXPECT_TRUE(window.changed);
  close_favorites(window, browser);
  EXPECT_EQ(contents(folder.file("fav.Dat")), "first\r\nmine, not saved yet\r\ntheirs\r\n");
}

TEST_F(BackgroundSync, AQuestionInTheBackgroundIsAWindowOfTheProgramAndWaitsForTheAnswer) {
  other_machine_syncs(*server, "https://theirs.example/");
  put(favorites_folder_path() + "/Mine.url", internet_shortcut_text("https://mine.example/"));
  set_up_sync();
  Program& browser = start();
  ASSERT_TRUE(test::run_until(
      [&] {
        return browser.favorites_sync().question() &&
               browser.favorites_sync().question()->get_visible();
      },
      30s));
  SyncQuestionWindow& question = *browser.favorites_sync().question();
  EXPECT_EQ(question.get_title(), kSyncQuestionTitle);
  EXPECT_FALSE(question.get_modal());
  EXPECT_FALSE(g_file_test((favorites_folder_path() + "/Theirs.url").c_str(), G_FILE_TEST_EXISTS));
  question.cmdSyncMerge.clicked();
  ASSERT_TRUE(test::run_until(
      [&] {
        return g_file_test((favorites_folder_path() + "/Theirs.url").c_str(), G_FILE_TEST_EXISTS) !=
               FALSE;
      },
      30s));
  ASSERT_TRUE(test::run_until(
      [&] { return server_file_of(*server).find("https://mine.example/") != std::string::npos; },
      30s));
}

}  // namespace
}  // namespace kv
