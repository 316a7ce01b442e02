#include "bookmarks/favorites_import.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "bookmarks/favorites_tree.h"
#include "bookmarks/html_bookmarks.h"
#include "shell/link_names.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "tree_text.h"

namespace kv {
namespace {

using test::tree_text;

Bookmark folder(std::string title, std::vector<Bookmark> children) {
  return {std::move(title), "", true, std::move(children)};
}
Bookmark link(std::string title, std::string address) {
  return {std::move(title), std::move(address), false, {}};
}

TEST(LinkNames, TitlesBecomeNamesTheFileSystemTakes) {
  EXPECT_EQ(safe_link_name("News / Sport", "x"), "News \xE2\x88\x95 Sport");
  EXPECT_EQ(safe_link_name("..", "Folder"), "Folder");
  EXPECT_EQ(safe_link_name(" ..hidden\tname\n", "x"), "hidden name");
  EXPECT_EQ(safe_link_name(std::string("\x01\x02", 2), "Link"), "Link");
  EXPECT_EQ(safe_link_name("bad \xFF byte", "x"), "bad \xEF\xBF\xBD byte");
  std::string long_title(198, 'a');
  long_title += "\xC3\xA9\xC3\xA9";  // the cut falls inside the second é
  EXPECT_EQ(safe_link_name(long_title, "x"), std::string(198, 'a') + "\xC3\xA9");
}

class FavoritesImport : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string favorites = dir.file("Favorites");
  void SetUp() override { std::filesystem::create_directory(favorites); }

  Bookmark source() {
    Bookmark root = folder("", {});
    root.children.push_back(
        folder("Toolbar", {link("Same", "https://one.test/"), link("Same", "https://two.test/"),
                           link("a/b", "http://slash.test/"),
                           folder("..", {link("Up", "ftp://up.test/")}), folder("Empty", {})}));
    root.children.push_back(link("Script", "javascript:void(0)"));
    root.children.push_back(link("Data", "data:text/html,x"));
    root.children.push_back(link("Query", "place:sort=8"));
    root.children.push_back(link("Line", "http://a.test/\r\n[x]"));
    root.children.push_back(link("", "file:///etc/hosts"));
    return root;
  }
};

TEST_F(FavoritesImport, TreeAndNamesComeInAndASecondImportAddsOnlyWhatIsNew) {
  const ImportSummary first = import_bookmarks(source(), favorites, "Firefox", "2026-12-07");
  ASSERT_TRUE(first.ok) << first.message;
  EXPECT_EQ(first.folder_name, "Imported from Firefox 2026-12-07");
  EXPECT_EQ(first.imported, 5U);
  EXPECT_EQ(first.empty_folders, 1U);
  EXPECT_EQ(first.skipped.at("javascript"), 1U);
  EXPECT_EQ(first.skipped.at("data"), 1U);
  EXPECT_EQ(first.skipped.at("place"), 1U);
  EXPECT_EQ(first.skipped.at("no usable address"), 1U);
  EXPECT_EQ(tree_text(read_favorites_tree(favorites)),
            "Imported from Firefox 2026-12-07/\n"
            "  Toolbar/\n"
            "    Folder/\n      Up <ftp://up.test/>\n"
            "    a\xE2\x88\x95"
            "b <http://slash.test/>\n"
            "    Same <https://one.test/>\n"
            "    Same (2) <https://two.test/>\n"
            "  file:\xE2\x88\x95\xE2\x88\x95\xE2\x88\x95"
            "etc\xE2\x88\x95hosts <file:///etc/hosts>\n");
  EXPECT_EQ(test::read_file(favorites + "/" + first.folder_name + "/Toolbar/Same.url"),
            "[InternetShortcut]\r\nURL=https://one.test/\r\n");

  // A day later one bookmark is new; the same day, nothing is.
  Bookmark more = source();
  more.children[0].children.push_back(link("Same", "https://three.test/"));
  const ImportSummary same_day = import_bookmarks(source(), favorites, "Firefox", "2026-12-07");
  EXPECT_EQ(same_day.imported, 0U);
  EXPECT_EQ(same_day.already_there, 5U);
  const ImportSummary next_day = import_bookmarks(more, favorites, "Firefox", "2026-12-08");
  EXPECT_EQ(next_day.imported, 1U);
  EXPECT_EQ(next_day.addresses, std::vector<std::string>{"https://three.test/"});
  EXPECT_EQ(tree_text(read_favorites_tree(favorites + "/Imported from Firefox 2026-12-08")),
            "Toolbar/\n  Same <https://three.test/>\n");
  // Another browser's import knows nothing of Firefox's.
  EXPECT_EQ(import_bookmarks(source(), favorites, "Chromium", "2026-12-08").imported, 5U);
}

TEST_F(FavoritesImport, NothingThereIsOverwrittenAndNoLinkIsFollowed) {
  const std::string day = favorites + "/Imported from Firefox 2026-12-07";
  std::filesystem::create_directories(day);
  test::write_bytes(day + "/Toolbar", "a file where a folder would go");
  std::filesystem::create_directory(dir.file("outside"));
  std::filesystem::create_directory_symlink(dir.file("outside"), day + "/Toolbar (2)");
  const ImportSummary summary = import_bookmarks(source(), favorites, "Firefox", "2026-12-07");
  EXPECT_EQ(summary.imported, 5U);
  EXPECT_EQ(test::read_file(day + "/Toolbar"), "a file where a folder would go");
  EXPECT_TRUE(std::filesystem::is_empty(dir.file("outside")));
  EXPECT_TRUE(std::filesystem::exists(day + "/Toolbar (3)/Same (2).url"));
}

TEST_F(FavoritesImport, ExportedFavoritesReimportAsTheSameTree) {
  Bookmark root =
      folder("", {folder("Work & <Play>", {link("\"Quoted\"", "https://q.test/?a=1&b=2"),
                                           folder("Inner", {link("I", "http://i.test/")})}),
                  link("Top", "http://top.test/")});
  ASSERT_TRUE(import_bookmarks(root, favorites, "backup.html", "2026-12-07").ok);
  const Bookmark before = read_favorites_tree(favorites);
  const BookmarkRead again = read_html_bookmarks(write_html_bookmarks(before));
  ASSERT_TRUE(again.ok);
  EXPECT_EQ(tree_text(again.root), tree_text(before));
  EXPECT_NE(tree_text(before).find("Work & <Play>/\n    Inner/"), std::string::npos);
}

TEST_F(FavoritesImport, AMissingFavoritesFolderGivesAMessage) {
  const ImportSummary summary = import_bookmarks(source(), dir.file("none"), "Firefox", "d");
  EXPECT_FALSE(summary.ok);
  EXPECT_FALSE(summary.message.empty());
  EXPECT_FALSE(std::filesystem::exists(dir.file("none")));
}

}  // namespace
}  // namespace kv
