#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "bookmarks/chromium_bookmarks.h"
#include "bookmarks/firefox_places.h"
#include "bookmarks/html_bookmarks.h"
#include "support/temp_dir.h"
#include "tree_text.h"

namespace kv {
namespace {

using test::tree_text;

// As Firefox exports: the menu at the top, the toolbar a folder in it, separators,
// descriptions, icons and attributes in either case and quote.
constexpr const char* kFirefoxHtml = R"html(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks Menu</H1>
<DL><p>
    <DT><H3 ADD_DATE="1" PERSONAL_TOOLBAR_FOLDER="true">Bookmarks Toolbar</H3>
    <DL><p>
        <DT><A HREF="https://a.test/?x=1&amp;y=2" ADD_DATE="1" ICON="data:image/png;base64,AAA=">A &amp; B &lt;i&gt;</A>
        <HR>
        <DT><a href='http://b.test/' tags="x>y">B&#233;&#x263A;</a>
    </DL><p>
    <DT><A HREF="javascript:alert(1)">Script</A>
    <DD>A description that is no bookmark
    <DT><H3>Empty</H3>
    <DL><p>
    </DL><p>
</DL>
)html";

// As Chromium exports: its root folders as <H3> at the top.
constexpr const char* kChromiumHtml = R"html(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<DL><p>
    <DT><H3 ADD_DATE="1" PERSONAL_TOOLBAR_FOLDER="true">Bookmarks bar</H3>
    <DL><p>
        <DT><A HREF="https://c.test/">C</A>
        <DT><H3>Sub</H3>
        <DL><p>
            <DT><A HREF="https://d.test/">D</A>
        </DL><p>
    </DL><p>
</DL><p>
)html";

TEST(HtmlBookmarks, BothBrowsersExportsComeInWithTreeOrderAndText) {
  const BookmarkRead firefox = read_html_bookmarks(kFirefoxHtml);
  ASSERT_TRUE(firefox.ok) << firefox.message;
  EXPECT_EQ(tree_text(firefox.root),
            "Bookmarks Toolbar/\n"
            "  A & B <i> <https://a.test/?x=1&y=2>\n"
            "  B\xC3\xA9\xE2\x98\xBA <http://b.test/>\n"
            "Script <javascript:alert(1)>\n"
            "Empty/\n");
  const BookmarkRead chromium = read_html_bookmarks(kChromiumHtml);
  ASSERT_TRUE(chromium.ok);
  EXPECT_EQ(tree_text(chromium.root),
            "Bookmarks bar/\n  C <https://c.test/>\n  Sub/\n    D <https://d.test/>\n");
}

TEST(HtmlBookmarks, WrittenFileReadsBackAsTheSameTree) {
  Bookmark root{"", "", true, {}};
  root.children.push_back({"Quotes \" ' & <b>", "", true, {}});
  root.children[0].children.push_back(
      {"</A><A HREF=\"x\">", "http://q.test/?a=\"1\"&b=<2>", false, {}});
  root.children.push_back({"Top", "file:///tmp/a%20b.html", false, {}});
  const std::string html = write_html_bookmarks(root);
  EXPECT_EQ(html.find("<b>"), std::string::npos);
  const BookmarkRead again = read_html_bookmarks(html);
  ASSERT_TRUE(again.ok);
  EXPECT_EQ(tree_text(again.root), tree_text(root));
}

TEST(HtmlBookmarks, HostileFilesAreRefusedWhole) {
  std::string deep;
  for (int i = 0; i < 10000; ++i) deep += "<DL><p><DT><H3>x</H3>\n";
  const BookmarkRead nested = read_html_bookmarks(deep);
  EXPECT_FALSE(nested.ok);
  EXPECT_EQ(nested.message, kTooDeep);
  for (const char* odd : {"", "<html><body>no lists</body></html>", "<DL", "<<<>>>"}) {
    EXPECT_FALSE(read_html_bookmarks(odd).ok) << odd;
  }
  // A long run of '&' is read in one pass, not one pass per '&'.
  const BookmarkRead ampersands =
      read_html_bookmarks("<DL><DT><A HREF=\"http://a/\">" + std::string(1 << 21, '&') + "</A>");
  ASSERT_TRUE(ampersands.ok);
  EXPECT_EQ(ampersands.root.children.at(0).title.size(), 1U << 21);
  // Unclosed tags and lists still give what was read.
  const BookmarkRead cut = read_html_bookmarks("<DL><DT><H3>F</H3><DL><DT><A HREF=\"http://a/\">A");
  ASSERT_TRUE(cut.ok);
  EXPECT_EQ(tree_text(cut.root), "F/\n  A <http://a/>\n");
}

constexpr const char* kChromiumJson = R"({
  "checksum": "0",
  "roots": {
    "bookmark_bar": {"children": [
        {"name": "One", "type": "url", "url": "https://one.test/"},
        {"children": [{"name": "Two", "type": "url", "url": "http://two.test/"}],
         "name": "Folder", "type": "folder"},
        {"type": "separator"}],
      "name": "Bookmarks bar", "type": "folder"},
    "other": {"children": [], "name": "Other bookmarks", "type": "folder"},
    "synced": {"children": [{"name": "Three", "type": "url", "url": "ftp://three.test/"}],
      "name": "Mobile bookmarks", "type": "folder"}
  },
  "version": 1
})";

TEST(ChromiumBookmarks, RootsComeInWithTheirTrees) {
  const BookmarkRead read = read_chromium_bookmarks(kChromiumJson);
  ASSERT_TRUE(read.ok) << read.message;
  EXPECT_EQ(tree_text(read.root),
            "Bookmarks bar/\n  One <https://one.test/>\n  Folder/\n    Two <http://two.test/>\n"
            "Other bookmarks/\nMobile bookmarks/\n  Three <ftp://three.test/>\n");
}

TEST(ChromiumBookmarks, OtherJsonAndDeepNestingAreRefused) {
  for (const char* odd :
       {"", "[]", "{\"roots\": []}", "{\"bookmarks\": {}}", "{\"roots\": {", "\xFF\xFE{}"}) {
    const BookmarkRead read = read_chromium_bookmarks(odd);
    EXPECT_FALSE(read.ok) << odd;
    EXPECT_FALSE(read.message.empty());
  }
  std::string deep = R"({"roots": {"bar": {"type": "folder", "children": [)";
  for (int i = 0; i < 100; ++i) deep += R"({"type": "folder", "name": "x", "children": [)";
  EXPECT_EQ(read_chromium_bookmarks(deep + std::string(100, ']')).message, kTooDeep);
  EXPECT_EQ(read_chromium_bookmarks(std::string(100000, '[')).message, kTooDeep);
}

// A places.sqlite with what the reader uses of Firefox's schema.
void make_places(const std::string& path) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  const char* sql = R"(
    CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR);
    CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL,
      parent INTEGER, position INTEGER, title LONGVARCHAR, guid TEXT);
    INSERT INTO moz_places VALUES (1, 'https://mozilla.test/', 'M'), (2, 'place:sort=8', NULL),
      (3, 'http://toolbar.test/', 'T'), (4, 'http://tagged.test/', NULL);
    INSERT INTO moz_bookmarks VALUES
      (1, 2, NULL, 0, 0, '', 'root________'),
      (2, 2, NULL, 1, 0, 'menu', 'menu________'),
      (3, 2, NULL, 1, 1, 'toolbar', 'toolbar_____'),
      (4, 2, NULL, 1, 2, 'tags', 'tags________'),
      (5, 2, NULL, 1, 3, 'unfiled', 'unfiled_____'),
      (10, 1, 1, 2, 1, 'Second', 'a'), (11, 1, 2, 2, 0, 'First', 'b'), (12, 3, NULL, 2, 2, '', 'c'),
      (13, 2, NULL, 3, 0, 'Sub', 'd'), (14, 1, 3, 13, 0, 'Deep', 'e'),
      (15, 2, NULL, 4, 0, 'tag', 'f'), (16, 1, 4, 15, 0, NULL, 'g'),
      (17, 2, NULL, 17, 0, 'loop', 'h');
  )";
  ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
}

TEST(FirefoxPlaces, ReadsTheTreeEvenWhileFirefoxHoldsTheLock) {
  const test::TempDir dir;
  const std::string places = dir.file("places.sqlite");
  make_places(places);
  sqlite3* firefox = nullptr;
  ASSERT_EQ(sqlite3_open(places.c_str(), &firefox), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(firefox, "BEGIN EXCLUSIVE; UPDATE moz_places SET title = 'x';", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  const BookmarkRead read = read_firefox_places(places);
  sqlite3_exec(firefox, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(firefox);
  ASSERT_TRUE(read.ok) << read.message;
  EXPECT_EQ(tree_text(read.root),
            "Bookmarks Menu/\n  First <place:sort=8>\n  Second <https://mozilla.test/>\n"
            "Bookmarks Toolbar/\n  Sub/\n    Deep <http://toolbar.test/>\n"
            "Other Bookmarks/\n");
}

TEST(FirefoxPlaces, OtherFilesGiveAMessage) {
  const test::TempDir dir;
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(dir.file("other.sqlite").c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "CREATE TABLE t (x)", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  FILE* text = std::fopen(dir.file("text.sqlite").c_str(), "w");
  std::fputs("not a database", text);
  std::fclose(text);
  for (const char* name : {"other.sqlite", "text.sqlite", "missing.sqlite"}) {
    const BookmarkRead read = read_firefox_places(dir.file(name));
    EXPECT_FALSE(read.ok) << name;
    EXPECT_FALSE(read.message.empty());
  }
}

}  // namespace
}  // namespace kv
