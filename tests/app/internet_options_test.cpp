#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <fstream>

#include "app/options/internet_options_window.h"
#include "desktop/internet_settings.h"
#include "desktop/user_paths.h"
#include "engine/filters/blocking_settings.h"
#include "engine/filters/content_blocking.h"
#include "engine/filters/list_reports.h"
#include "engine/profile/site_permissions.h"
#include "shell/history_store.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/sqlite_value.h"

namespace kv {
namespace {

bool exists(const std::string& path) {
  return g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
}

class InternetOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override { g_remove(internet_settings_path().c_str()); }
  void TearDown() override {
    g_remove(internet_settings_path().c_str());
    clear_browsing_history();
  }
};

TEST_F(InternetOptionsTest, HomePageAddressesAreKeptAsTheBrowserOpensThem) {
  EXPECT_EQ(home_page_address("  kestrivane.test/start \n"), "http://kestrivane.test/start");
  EXPECT_EQ(home_page_address("https://kestrivane.test/"), "https://kestrivane.test/");
  EXPECT_EQ(home_page_address("about:blank"), "about:blank");
  EXPECT_EQ(home_page_address("localhost:8080/home"), "http://localhost:8080/home");
  EXPECT_EQ(home_page_address("file:///srv/home.html"), "file:///srv/home.html");
  EXPECT_EQ(home_page_address("   "), "");
}

TEST_F(InternetOptionsTest, ApplyAndOkSetTheHomePageThatHomeOpensAndCancelDoesNot) {
  InternetOptionsWindow window;
  window.show();
  EXPECT_EQ(window.txtHomePage.get_text(), kDefaultHomePage);

  window.txtHomePage.set_text("kestrivane.test/start");
  window.cmdApply.clicked();
  EXPECT_EQ(configured_home_page(), "http://kestrivane.test/start");
  EXPECT_EQ(window.txtHomePage.get_text(), "http://kestrivane.test/start");
  EXPECT_TRUE(window.get_visible());

  window.txtHomePage.set_text("http://not.kept.test/");
  window.cmdCancel.clicked();
  EXPECT_FALSE(window.get_visible());
  EXPECT_EQ(configured_home_page(), "http://kestrivane.test/start");

  InternetOptionsWindow again;
  EXPECT_EQ(again.txtHomePage.get_text(), "http://kestrivane.test/start") << "shows what is set";
  again.cmdUseDefault.clicked();
  again.show();
  again.cmdOk.clicked();
  EXPECT_FALSE(again.get_visible());
  EXPECT_EQ(configured_home_page(), kDefaultHomePage);
}

// On a 1366x768 laptop the window has 768 pixels less a panel and its title bar: OK and
// Cancel must not fall off the screen, whichever page is shown.
TEST_F(InternetOptionsTest, TheWindowFitsALaptopScreenOnEveryPage) {
  InternetOptionsWindow window;
  window.show();
  ASSERT_TRUE(test::run_until([&] { return window.get_mapped(); }));
  for (int page = 0; page < window.tabSections.get_n_pages(); ++page) {
    window.tabSections.set_current_page(page);
    test::flush_events();
    EXPECT_LE(window.get_allocated_height(), 700) << "page " << page;
  }
}

TEST_F(InternetOptionsTest, HardwareAccelerationIsTickedUntilTurnedOffAndSaysWhenItApplies) {
  {
    InternetOptionsWindow window;
    EXPECT_TRUE(window.advanced.chkHardwareAcceleration.get_active());
    EXPECT_NE(window.advanced.lblAccelerationNote.get_text().raw().find("next time"),
              std::string::npos);
    window.show();
    window.advanced.chkHardwareAcceleration.set_active(false);
    window.cmdCancel.clicked();
    EXPECT_TRUE(use_hardware_acceleration()) << "Cancel keeps nothing";
  }
  InternetOptionsWindow window;
  window.show();
  window.advanced.chkHardwareAcceleration.set_active(false);
  window.cmdApply.clicked();
  EXPECT_FALSE(use_hardware_acceleration());
  EXPECT_FALSE(InternetOptionsWindow().advanced.chkHardwareAcceleration.get_active())
      << "shows what is set";
  window.advanced.chkHardwareAcceleration.set_active(true);
  window.cmdOk.clicked();
  EXPECT_TRUE(use_hardware_acceleration());
}

TEST_F(InternetOptionsTest, AHomePageThatCannotBeSavedKeepsTheWindowOpenAndSaysSo) {
  // A folder where the settings file should be: the save fails.
  g_mkdir(internet_settings_path().c_str(), 0700);
  InternetOptionsWindow window;
  window.show();
  window.txtHomePage.set_text("kestrivane.test");
  window.cmdOk.clicked();
  EXPECT_TRUE(window.get_visible());
  EXPECT_EQ(window.lblMessage.get_text(), "The home page could not be saved.");
  g_rmdir(internet_settings_path().c_str());
}

// A file that is no database at all helps no one: it goes, with its journals.
TEST_F(InternetOptionsTest, ClearHistoryDeletesABrokenDatabaseWithItsJournalsOnly) {
  const std::string database = history_database_path();
  for (const char* suffix : {"", "-wal", "-shm"}) {
    std::ofstream(database + suffix) << std::string(4096, 'x');
  }
  const std::string neighbour = user_data_dir() + "/keep.me";
  std::ofstream(neighbour) << "x";

  InternetOptionsWindow window;
  window.cmdClearHistory.clicked();
  for (const char* suffix : {"", "-wal", "-shm"}) EXPECT_FALSE(exists(database + suffix)) << suffix;
  EXPECT_TRUE(exists(neighbour));
  EXPECT_EQ(window.lblMessage.get_text(), "The browsing history has been cleared.");

  // Nothing to delete is no failure.
  window.cmdClearHistory.clicked();
  EXPECT_EQ(window.lblMessage.get_text(), "The browsing history has been cleared.");
  g_remove(neighbour.c_str());
}

TEST_F(InternetOptionsTest, AHistoryThatCannotBeDeletedIsReported) {
  // A folder with something in it cannot be removed like a file.
  const std::string database = history_database_path();
  g_mkdir(database.c_str(), 0700);
  std::ofstream(database + "/inside") << "x";
  InternetOptionsWindow window;
  window.cmdClearHistory.clicked();
  EXPECT_EQ(window.lblMessage.get_text(), "The browsing history could not be cleared.");
  g_remove((database + "/inside").c_str());
  g_rmdir(database.c_str());
}

// Visits recorded after the clearing, by a browser that ran through it, are kept.
TEST_F(InternetOptionsTest, ClearingTheHistoryUnderARunningBrowserKeepsItsLaterVisits) {
  test::LocalServer server;
  server.add_page("/before", "<title>Before</title>before");
  server.add_page("/after", "<title>After</title>after");
  test::EngineWindow browser;
  ASSERT_TRUE(browser.load_uri(server.url("/before")));
  const auto listed = [](const std::string& address) {
    const HistoryReading reading =
        read_history(history_database_path(), HistoryStore::Clock::now(), 100);
    for (const HistoryDay& day : reading.days) {
      for (const HistoryEntry& entry : day.entries) {
        if (entry.address == address) return true;
      }
    }
    return false;
  };
  ASSERT_TRUE(test::run_until([&] { return listed(server.url("/before")); }));

  InternetOptionsWindow window;
  window.cmdClearHistory.clicked();
  EXPECT_EQ(window.lblMessage.get_text(), "The browsing history has been cleared.");
  EXPECT_FALSE(listed(server.url("/before")));

  ASSERT_TRUE(browser.load_uri(server.url("/after")));
  // A browser started later reads the file afresh.
  EXPECT_TRUE(test::run_until([&] { return listed(server.url("/after")); }));
  EXPECT_FALSE(listed(server.url("/before")));
}

int cookie_rows() {
  const std::string rows =
      test::sqlite_value(cookie_database_path(), "SELECT count(*) FROM moz_cookies");
  return rows.empty() ? -1 : std::stoi(rows);
}

TEST_F(InternetOptionsTest, DeletingWebsiteDataEmptiesTheStoresAndTheBrowserThatRuns) {
  test::LocalServer server;
  server.add_page("/set",
                  "<script>localStorage.setItem('k', 'kept'); document.title = 'set';</script>");
  server.add_header("/set", "Set-Cookie", "login=1; Max-Age=86400");
  server.add_page("/show",
                  "<script>document.title = 'cookies[' + document.cookie + '] storage[' + "
                  "localStorage.getItem('k') + ']';</script>");
  test::EngineWindow browser;
  ASSERT_TRUE(browser.load_uri(server.url("/set")));
  ASSERT_TRUE(browser.wait_for_title("set"));
  ASSERT_EQ(browser.eval("document.cookie"), "login=1");
  ASSERT_EQ(cookie_rows(), 1);

  InternetOptionsWindow window;
  window.cmdDeleteWebsiteData.clicked();
  EXPECT_FALSE(window.cmdDeleteWebsiteData.get_sensitive()) << "once at a time";
  ASSERT_TRUE(test::run_until([&] {
    return window.lblMessage.get_text().raw() == "Cookies and website data have been deleted.";
  }));
  EXPECT_TRUE(window.cmdDeleteWebsiteData.get_sensitive());
  EXPECT_EQ(cookie_rows(), 0);

  // The browser that was running forgets its own too, without a restart.
  // Cookies and storage are cleared one after the other, each when the engine gets to it.
  EXPECT_TRUE(test::run_until([&] {
    return browser.eval("document.cookie + String(localStorage.getItem('k'))") == "null";
  }));
  ASSERT_TRUE(browser.load_uri(server.url("/show")));
  EXPECT_TRUE(browser.wait_for_title("cookies[] storage[null]"))
      << webkit_web_view_get_title(browser.view());
}

TEST_F(InternetOptionsTest, ContentBlockingSectionShowsListsAndKeepsSitesOnApplyOnly) {
  const std::string settings_text = blocking_settings_text({true, {"kept.example"}});
  ASSERT_TRUE(
      g_file_set_contents(blocking_settings_path().c_str(), settings_text.c_str(), -1, nullptr));
  ListReport list{
      "easylist.txt", "list-1", {{"block", 10}, {"hide", 5}}, {{"csp", 2}}, 1, true, 0, 0, ""};
  ListReport unread{"mine.txt", "", {}, {}, 0, false, 0, 0, ""};
  ListReport huge{"huge.txt", "", {{"hide", 90}}, {}, 0, false, 0, 0, "too-large"};
  ListReport parts{"hosts.txt", "list-2", {{"block", 160000}}, {}, 0, true, 10, 2, ""};
  g_mkdir_with_parents(filter_store_dir().c_str(), 0700);
  ASSERT_TRUE(save_list_reports(ContentBlocking::reports_path(filter_store_dir()),
                                {list, unread, huge, parts}));

  InternetOptionsWindow window;
  window.show();
  ContentBlockingSection& section = window.content_blocking;
  EXPECT_TRUE(section.chkBlockContent.get_active());
  EXPECT_EQ(section.lblFilterLists.get_text(),
            "easylist.txt: 14 rules in use, 2 skipped, 1 rejected\n"
            "mine.txt: not in use (the list could not be read)\n"
            "huge.txt: not in use (too big: more rules than this program takes from one list)\n"
            "hosts.txt: 159990 rules in use, 0 skipped, 10 past what the engine takes");

  section.txtAllowedSite.set_text("https://WWW.Shop.Example/cart");
  section.cmdAddSite.clicked();
  section.txtAllowedSite.set_text("not a site");
  section.cmdAddSite.clicked();
  EXPECT_EQ(section.txtAllowedSite.get_text(), "not a site") << "left to be corrected";
  section.lstAllowedSites.select_row(*section.lstAllowedSites.get_row_at_index(0));
  section.cmdRemoveSite.clicked();
  section.chkBlockContent.set_active(false);
  EXPECT_EQ(load_blocking_settings(), (BlockingSettings{true, {"kept.example"}}))
      << "nothing is kept before Apply";

  window.cmdApply.clicked();
  EXPECT_EQ(load_blocking_settings(), (BlockingSettings{false, {"shop.example"}}));
  g_remove(blocking_settings_path().c_str());
}

TEST_F(InternetOptionsTest, KeptSitePermissionsAreListedAndTheChosenOnesRemoved) {
  const SitePermissions store;
  g_remove(store.path().c_str());
  ASSERT_TRUE(store.remember("http://127.0.0.1:8080", SitePermission::kCamera, true));
  ASSERT_TRUE(store.remember("http://127.0.0.1:8080", SitePermission::kLocation, false));
  ASSERT_TRUE(store.remember("https://example.org", SitePermission::kNotifications, true));
  InternetOptionsWindow window;
  auto& list = window.site_permissions.lstSitePermissions;
  const auto rows = [&] {
    std::vector<std::string> shown;
    for (const auto& row : list.get_model()->children()) {
      Glib::ustring site;
      Glib::ustring permission;
      Glib::ustring answer;
      row.get_value(0, site);
      row.get_value(1, permission);
      row.get_value(2, answer);
      shown.push_back(site + " " + permission + " " + answer);
    }
    return shown;
  };
  EXPECT_EQ(rows(), (std::vector<std::string>{"127.0.0.1:8080 Camera Allowed",
                                              "127.0.0.1:8080 Location Denied",
                                              "example.org Notifications Allowed"}));
  EXPECT_FALSE(window.site_permissions.cmdRemovePermission.get_sensitive());
  list.get_selection()->select(Gtk::TreePath("0"));
  list.get_selection()->select(Gtk::TreePath("2"));
  window.site_permissions.cmdRemovePermission.clicked();
  EXPECT_EQ(rows(), (std::vector<std::string>{"127.0.0.1:8080 Location Denied"}));
  // Gone from the file that every browser reads when a site asks.
  EXPECT_FALSE(store.decision("http://127.0.0.1:8080", SitePermission::kCamera).has_value());
  EXPECT_FALSE(store.decision("https://example.org", SitePermission::kNotifications).has_value());
  EXPECT_EQ(store.decision("http://127.0.0.1:8080", SitePermission::kLocation), false);
  g_remove(store.path().c_str());
}

}  // namespace
}  // namespace kv
