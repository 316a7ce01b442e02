#include "favorites/import_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "bookmarks/favorites_tree.h"
#include "bookmarks/html_bookmarks.h"
#include "fake_favorites_host.h"
#include "support/file_bytes.h"
#include "support/run_until.h"

namespace kv {
namespace {

constexpr const char* kBookmarks = R"json({"roots": {"bookmark_bar": {"type": "folder",
  "name": "Bookmarks bar", "children": [
    {"type": "url", "name": "One", "url": "https://one.test/"},
    {"type": "url", "name": "Script", "url": "javascript:go()"},
    {"type": "url", "name": "Two", "url": "http://two.test/"}]}}})json";

class ImportExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(favorites);
    test::write_bytes(dir.file("Bookmarks"), kBookmarks);
    test::write_bytes(dir.file("Broken"), "{\"roots\": ");
    test::write_bytes(host.favorites_file(), "kept\r\n");
    host.scripted.now = Glib::DateTime::create_local(2026, 12, 7, 10, 0, 0);
  }
  std::unique_ptr<ImportExport> open() {
    using Kind = BookmarkSource::Kind;
    return std::make_unique<ImportExport>(
        *host.first, host,
        std::vector<BookmarkSource>{
            {Kind::kChromiumJson, "Chromium", "Default", dir.file("Bookmarks"), "Chromium"},
            {Kind::kChromiumJson, "Falkon", "x", dir.file("Broken"), "Falkon"}},
        favorites);
  }
  std::vector<std::string> list() {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < host.fav->items().count(); ++i)
      out.push_back(host.fav->items().item(i));
    return out;
  }

  test::FakeFavoritesHost host;
  test::TempDir dir;
  std::string favorites = dir.file("Favorites");
};

TEST_F(ImportExportTest, SourcesShowWhatTheyHoldAndAnImportEndsInASummary) {
  const auto ie = open();
  ImportExportWindow& w = ie->window();
  ASSERT_EQ(w.optSources.size(), 3U);
  EXPECT_EQ(w.optSources[0]->get_label(), "Chromium, profile Default: 3 bookmarks in 1 folder");
  EXPECT_FALSE(w.optSources[1]->get_sensitive());
  EXPECT_TRUE(w.optSources[0]->get_active());

  w.chkFavList.set_active(true);
  w.cmdImport.clicked();
  EXPECT_FALSE(w.cmdClose.get_sensitive()) << "no closing while it runs";
  ASSERT_TRUE(test::run_until([&] { return !ie->running(); }, std::chrono::seconds(20)));
  EXPECT_EQ(w.lblSummary.get_text(),
            "Imported 2 bookmarks in 1 folder into \"Imported from Chromium 2026-12-07\" in the "
            "favourites folder. Skipped: 1 javascript. 2 addresses were added to the favourites "
            "list.");
  ASSERT_NE(host.fav, nullptr);
  EXPECT_EQ(list(), (std::vector<std::string>{"kept", "https://one.test/", "http://two.test/"}));
  EXPECT_TRUE(host.fav->changed);

  // Again: nothing new, and the list is left alone.
  w.cmdImport.clicked();
  ASSERT_TRUE(test::run_until([&] { return !ie->running(); }, std::chrono::seconds(20)));
  EXPECT_EQ(w.lblSummary.get_text(),
            "Nothing new to import. 2 bookmarks were there from an earlier import. Skipped: 1 "
            "javascript.");
  EXPECT_EQ(list().size(), 3U);
}

TEST_F(ImportExportTest, AHostileFileChangesNothingAndAnExportReadsBack) {
  const auto ie = open();
  ImportExportWindow& w = ie->window();
  std::string deep;
  for (int i = 0; i < 10000; ++i) deep += "<DL><DT><H3>..</H3>";
  test::write_bytes(dir.file("deep.html"), deep);
  ie->choose_file = [&](bool save) { return dir.file(save ? "out.html" : "deep.html"); };
  w.optSources.back()->set_active(true);
  w.cmdImport.clicked();
  ASSERT_TRUE(test::run_until([&] { return !ie->running(); }, std::chrono::seconds(20)));
  EXPECT_EQ(w.lblSummary.get_text(), Glib::ustring::compose("Nothing was imported: %1", kTooDeep));
  EXPECT_TRUE(std::filesystem::is_empty(favorites));

  w.optSources[0]->set_active(true);
  w.cmdImport.clicked();
  ASSERT_TRUE(test::run_until([&] { return !ie->running(); }, std::chrono::seconds(20)));
  w.cmdExport.clicked();
  EXPECT_EQ(w.lblSummary.get_text(),
            "Exported 3 bookmarks in 3 folders to " + dir.file("out.html") + ".");
  const BookmarkRead back = read_html_bookmarks(test::read_file(dir.file("out.html")));
  ASSERT_TRUE(back.ok);
  ASSERT_EQ(back.root.children.size(), 2U);
  EXPECT_EQ(back.root.children[1].title, "Favorites list");
  EXPECT_EQ(back.root.children[1].children.at(0).address, "kept");
}

}  // namespace
}  // namespace kv
