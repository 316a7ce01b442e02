// The folder pane against the real engine: pages recorded as they complete, the shell's
// folders shown through the pane's own scheme, and odd input on the way.
#include <glib.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "browser/form1.h"
#include "engine/pages/folder_scheme.h"
#include "engine/control/webkit_browser.h"
#include "favorites/folder_panes.h"
#include "shell/history_store.h"
#include "shell/shell_folders.h"
#include "support/engine_window.h"
#include "support/file_bytes.h"
#include "support/run_until.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

std::string page(const std::string& title) {
  return "<!DOCTYPE html><html><head><title>" + title + "</title></head><body>" + title +
         "</body></html>";
}

std::string file_uri(const std::string& path) {
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  std::string result = uri;
  g_free(uri);
  return result;
}

// The addresses at which a view finished loading, failed loads included.
class LoadCounter {
 public:
  explicit LoadCounter(WebKitWebView* view) : view_(view) {
    handler_ = g_signal_connect(view, "load-changed", G_CALLBACK(on_changed), this);
  }
  ~LoadCounter() { g_signal_handler_disconnect(view_, handler_); }
  LoadCounter(const LoadCounter&) = delete;
  LoadCounter& operator=(const LoadCounter&) = delete;

  std::vector<std::string> finished;

 private:
  static void on_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
    if (event != WEBKIT_LOAD_FINISHED) return;
    const char* uri = webkit_web_view_get_uri(view);
    static_cast<LoadCounter*>(self)->finished.emplace_back(uri != nullptr ? uri : "");
  }
  WebKitWebView* view_;
  gulong handler_ = 0;
};

std::string uri_of(WebKitWebView* view) {
  const char* uri = webkit_web_view_get_uri(view);
  return uri != nullptr ? uri : "";
}

std::vector<std::string> recorded_addresses() {
  std::vector<std::string> found;
  const auto reading =
      read_history(browsing_history().path(), HistoryStore::Clock::now(), kMaxHistoryVisits);
  for (const auto& day : reading.days) {
    for (const auto& entry : day.entries) found.push_back(entry.address);
  }
  return found;
}

void remove_history_files() {
  browsing_history().close();
  for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(browsing_history().path() + suffix);
}

class FolderPanesEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    remove_history_files();
    const fs::path favorites = favorites_folder_path();
    for (const auto& entry : fs::directory_iterator(favorites)) fs::remove_all(entry.path());
    attach_folder_panes(form, system_shell_folders());
    form.show();
  }
  void TearDown() override { remove_history_files(); }

  WebKitWebView* page_view() { return dynamic_cast<WebKitBrowser&>(form.wWeb).view(); }
  WebKitWebView* pane_view() { return dynamic_cast<WebKitBrowser&>(form.WB1).view(); }

  // Loads `uri` in the page area and waits until the view has finished at it (a failed
  // load finishes at the engine's error page for it).
  void load(const std::string& uri) {
    LoadCounter loads(page_view());
    form.wWeb.Navigate(uri);
    ASSERT_TRUE(test::run_until([&] {
      return !loads.finished.empty() && loads.finished.back() == uri &&
             !webkit_web_view_is_loading(page_view());
    })) << uri;
  }

  // Loads a page and waits for its title too, which the engine reports after the load.
  void load_titled(const std::string& uri, const std::string& title) {
    load(uri);
    ASSERT_TRUE(test::wait_for_title(page_view(), title)) << title;
  }

  // Waits for the pane to show `uri` with `expected` in its text; returns the text.
  std::string pane_text_once(const std::string& uri, const std::string& expected) {
    std::string text;
    test::run_until([&] {
      if (uri_of(pane_view()) != uri || webkit_web_view_is_loading(pane_view())) return false;
      text = test::eval_js(pane_view(), "document.body ? document.body.innerText : ''");
      return text.find(expected) != std::string::npos;
    });
    return text;
  }

  test::TempDir dir;
  Form1 form{std::make_unique<WebKitBrowser>(), std::make_unique<WebKitBrowser>()};
};

TEST_F(FolderPanesEngine, ShowHistoryListsTheCompletedPagesUnderToday) {
  test::write_bytes(dir.file("first.html"), page("First local page"));
  test::write_bytes(dir.file("second.html"), page("Second local page"));
  load_titled(file_uri(dir.file("first.html")), "First local page");
  load(file_uri(dir.file("missing.html")));  // fails: not recorded, nor its error page
  load("about:blank");
  load_titled(file_uri(dir.file("second.html")), "Second local page");
  EXPECT_EQ(recorded_addresses(), (std::vector<std::string>{file_uri(dir.file("second.html")),
                                                            file_uri(dir.file("first.html"))}));

  form.mnuToolsHistory.activate();
  const std::string text = pane_text_once("kv-shell://history/", "First local page");
  const auto today = text.find("Today");
  const auto second = text.find("Second local page");
  const auto first = text.find("First local page");
  ASSERT_NE(today, std::string::npos) << text;
  ASSERT_NE(second, std::string::npos) << text;
  EXPECT_LT(today, second);
  EXPECT_LT(second, first) << "newest first";
  EXPECT_EQ(text.find("missing.html"), std::string::npos);
  EXPECT_EQ(text.find("about:blank"), std::string::npos);
  EXPECT_EQ(form.cmdCloseFavs.get_label(), "Close History Window");
  // The pane's own page is not a visit.
  EXPECT_EQ(recorded_addresses().size(), 2U);

  // A page visited meanwhile shows when the pane is opened again.
  test::write_bytes(dir.file("third.html"), page("Third local page"));
  load_titled(file_uri(dir.file("third.html")), "Third local page");
  form.cmdCloseFavs.clicked();
  form.mnuToolsHistory.activate();
  const std::string again = pane_text_once("kv-shell://history/", "Third local page");
  EXPECT_LT(again.find("Third local page"), again.find("Second local page"));
}

TEST_F(FolderPanesEngine, FavouritesShowLinkFilesAndAClickNavigatesThePane) {
  test::write_bytes(dir.file("target.html"), page("Target page"));
  const std::string target = file_uri(dir.file("target.html"));
  const std::string favorites = favorites_folder_path();
  test::write_bytes(favorites + "/Local Page.url",
                    "[InternetShortcut]\r\nURL=http://127.0.0.1:9/local\r\n");
  fs::create_directory(favorites + "/Work");
  test::write_bytes(favorites + "/Work/Inner.url", "[InternetShortcut]\nURL=" + target + "\n");
  load(file_uri(dir.file("target.html")));
  const std::string page_before = uri_of(page_view());

  form.mnuFavoritesInternetExplorerFavorites.activate();
  std::string text = pane_text_once("kv-shell://favorites/", "Local Page");
  EXPECT_NE(text.find("http://127.0.0.1:9/local"), std::string::npos) << text;
  EXPECT_NE(text.find("Work"), std::string::npos) << text;
  EXPECT_LT(text.find("Local Page"), text.find("http://127.0.0.1:9/local")) << "name, then address";

  test::eval_js(pane_view(), "document.querySelector('a.folder').click()");
  text = pane_text_once("kv-shell://favorites/Work", "Inner");
  EXPECT_NE(text.find(target), std::string::npos) << text;

  test::eval_js(pane_view(), "document.querySelector('a.name').click()");
  EXPECT_TRUE(test::run_until([&] { return uri_of(pane_view()) == target; }));
  EXPECT_EQ(uri_of(page_view()), page_before) << "the pane keeps its clicks to itself";
}

TEST_F(FolderPanesEngine, OddFavouritesNeitherCrashNorHangThePane) {
  const std::string favorites = favorites_folder_path();
  test::write_bytes(favorites + "/corrupt.url", std::string("\0\xFF\xFE<script>x</script>\0", 20));
  test::write_bytes(favorites + "/truncated.url", "[InternetShortc");
  test::write_bytes(favorites + "/<b>bold.url", "[InternetShortcut]\nURL=javascript:alert(1)\n");
  fs::create_directory(favorites + "/Many");
  for (int i = 0; i < 10000; ++i) {
    test::write_bytes(favorites + "/Many/link" + std::to_string(i) + ".url",
                      "[InternetShortcut]\nURL=http://127.0.0.1:9/" + std::to_string(i) + "\n");
  }

  form.mnuFavoritesInternetExplorerFavorites.activate();
  const std::string text = pane_text_once("kv-shell://favorites/", "truncated");
  EXPECT_NE(text.find("corrupt"), std::string::npos) << text;
  EXPECT_NE(text.find("<b>bold"), std::string::npos) << "markup shows as text";
  EXPECT_EQ(test::eval_js(pane_view(), "String(document.querySelectorAll('b, script').length)"),
            "0");
  EXPECT_EQ(
      test::eval_js(pane_view(), "String(document.querySelectorAll('a[href^=javascript]').length)"),
      "0");

  // The control decodes a subfolder's list by itself.
  form.WB1.Navigate2(encode_item_id_list({CSIDL_FAVORITES, {"Many"}}));
  pane_text_once("kv-shell://favorites/Many", "More items in this folder are not shown.");
  EXPECT_EQ(test::eval_js(pane_view(), "String(document.querySelectorAll('li').length)"),
            std::to_string(kMaxFolderEntries));
}

TEST_F(FolderPanesEngine, ListsTheControlCannotDecodeLeaveThePaneAlone) {
  LoadCounter loads(pane_view());
  form.WB1.Navigate2({1, 2, 3});
  form.WB1.Navigate2({});
  form.WB1.Navigate2(encode_item_id_list({CSIDL_HISTORY, {"x"}}));
  form.WB1.Navigate2(encode_item_id_list({CSIDL_HISTORY, {}}));
  ASSERT_TRUE(test::run_until([&] { return !loads.finished.empty(); }));
  test::flush_events();
  EXPECT_EQ(loads.finished, std::vector<std::string>{"kv-shell://history/"});
  EXPECT_EQ(uri_of(pane_view()), "kv-shell://history/");
}

TEST_F(FolderPanesEngine, WebPagesCannotOpenThePanesPages) {
  // Show a folder first, so the scheme is known to the engine.
  form.WB1.Navigate2(encode_item_id_list({CSIDL_HISTORY, {}}));
  pane_text_once("kv-shell://history/", "History");

  std::vector<std::string> requested;
  const gulong handler = g_signal_connect(
      page_view(), "decide-policy",
      G_CALLBACK(+[](WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                     gpointer out) -> gboolean {
        if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
          WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
              WEBKIT_NAVIGATION_POLICY_DECISION(decision));
          static_cast<std::vector<std::string>*>(out)->emplace_back(
              webkit_uri_request_get_uri(webkit_navigation_action_get_request(action)));
        }
        return FALSE;
      }),
      &requested);
  LoadCounter loads(page_view());
  webkit_web_view_load_html(page_view(),
                            "<a id=local href='kv-shell://history/'>history</a>"
                            "<a id=web href='http://127.0.0.1:45678/next'>next</a>",
                            "http://127.0.0.1:9/");
  ASSERT_TRUE(test::run_until([&] { return !loads.finished.empty(); }));
  requested.clear();
  test::eval_js(page_view(), "document.getElementById('local').click()");
  test::eval_js(page_view(), "document.getElementById('web').click()");
  // The allowed click proves that clicks get through; the pane's page never is asked for.
  ASSERT_TRUE(test::run_until([&] { return !requested.empty(); }));
  EXPECT_EQ(requested, std::vector<std::string>{"http://127.0.0.1:45678/next"});
  g_signal_handler_disconnect(page_view(), handler);
}

TEST_F(FolderPanesEngine, ALockedOrBrokenHistoryNeverStopsAPage) {
  test::write_bytes(dir.file("one.html"), page("Page one"));
  test::write_bytes(dir.file("two.html"), page("Page two"));
  load_titled(file_uri(dir.file("one.html")), "Page one");
  ASSERT_EQ(recorded_addresses().size(), 1U);

  {
    sqlite3* other = nullptr;
    sqlite3_open(browsing_history().path().c_str(), &other);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    load_titled(file_uri(dir.file("two.html")), "Page two");
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
  }
  EXPECT_EQ(recorded_addresses(), std::vector<std::string>{file_uri(dir.file("one.html"))})
      << "the visit made while locked is skipped";

  remove_history_files();
  test::write_bytes(browsing_history().path(), std::string(8192, '\x5A'));
  load_titled(file_uri(dir.file("one.html")), "Page one");
  form.mnuToolsHistory.activate();
  pane_text_once("kv-shell://history/", "The history cannot be read just now.");
  EXPECT_TRUE(form.WB1.Visible());
}

}  // namespace
}  // namespace kv
