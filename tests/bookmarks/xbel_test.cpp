#include "bookmarks/xbel.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <string>

#include "bookmarks/bookmark_tree.h"
#include "desktop/glib_handles.h"

namespace kv {
namespace {

std::string fixture() {
  OwnedChars text;
  gsize length = 0;
  if (!g_file_get_contents(KV_BOOKMARKS_DATA "/floccus_bookmarks.xbel", out(text), &length,
                           nullptr)) {
    return {};
  }
  return std::string(text.get(), length);
}

// The items as lines, indented by depth: "[id] Title <href>" or "[id] Title/".
void outline(const std::vector<XbelItem>& items, std::string& out, int depth) {
  for (const XbelItem& item : items) {
    out += std::string(static_cast<std::size_t>(depth) * 2, ' ');
    switch (item.kind) {
      case XbelItem::Kind::kKept:
        out += "kept " + item.kept + "\n";
        break;
      case XbelItem::Kind::kBookmark:
        out += "[" + item.id + "] " + item.title + " <" + item.href + ">\n";
        for (const XbelItem& child : item.children) out += "    kept " + child.kept + "\n";
        break;
      case XbelItem::Kind::kFolder:
        out += "[" + item.id + "] " + item.title + "/\n";
        outline(item.children, out, depth + 1);
        break;
    }
  }
}

std::string outline(const XbelDocument& document) {
  std::string out;
  outline(document.items, out, 0);
  return out;
}

XbelDocument read_ok(const std::string& text) {
  XbelRead read = read_xbel(text);
  EXPECT_TRUE(read.ok) << read.message;
  return std::move(read.document);
}

TEST(Xbel, AFileInFloccusFormatComesInWholeWithItsIdsAndTexts) {
  const std::string text = fixture();
  ASSERT_FALSE(text.empty());
  const XbelDocument document = read_ok(text);
  EXPECT_EQ(document.highest_id, 14);
  EXPECT_EQ(outline(document),
            "[1] Bookmarks Toolbar/\n"
            "  [2] News & Weather <https://news.example/?a=1&b=2>\n"
            "  [3] Recipes/\n"
            "    [4] Cr\xC3\xAApes 'n' things <https://food.example/cr%C3%AApes>\n"
            "[5] Other Bookmarks/\n"
            "  [7] The \"Guide\" <2nd> <https://docs.example/<guide>>\n"
            "  [9] Empty/\n"
            "[12] At the top <https://top.example/>\n");
}

TEST(Xbel, WhatIsWrittenIsWhatFloccusLooksForAndReadsBackTheSame) {
  const XbelDocument document = read_ok(fixture());
  const std::string written = write_xbel(document);
  // floccus refuses a file without this declaration, and reads its counter line by line.
  EXPECT_TRUE(written.starts_with(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE xbel PUBLIC \"+//IDN python.org//DTD XML Bookmark Exchange Language "
      "1.0//EN//XML\" \"http://pyxml.sourceforge.net/topics/dtds/xbel.dtd\">\n"
      "<xbel version=\"1.0\">\n"))
      << written;
  EXPECT_NE(
      written.find("\n<!--- highestId :14: for Floccus bookmark sync browser extension -->\n"),
      std::string::npos)
      << written;
  EXPECT_NE(written.find("<bookmark href=\"https://news.example/?a=1&amp;b=2\" id=\"2\">"),
            std::string::npos)
      << written;
  EXPECT_EQ(read_ok(written), document);
}

TEST(Xbel, TheCounterIsNeverBelowAnIdInTheFile) {
  XbelDocument document = read_ok(fixture());
  document.highest_id = 3;
  document.items[0].children[0].id = "40";
  EXPECT_EQ(highest_xbel_id(document), 40);
  EXPECT_EQ(read_ok(write_xbel(document)).highest_id, 40);
  // A file without the counter (another program's) gets one.
  const XbelDocument plain =
      read_ok("<xbel><folder id='f0'><title>F</title><bookmark href='h' id='7'/></folder></xbel>");
  EXPECT_EQ(plain.highest_id, 0);
  EXPECT_NE(write_xbel(plain).find("<!--- highestId :7: for"), std::string::npos);
}

// Text between items is no part of XBEL and goes.
TEST(Xbel, WhatAnotherProgramPutInTheFileIsKeptInItsPlace) {
  const std::string text =
      "<?xml version='1.0'?>\n"
      "<xbel version='1.0' xmlns:bookmark='http://www.freedesktop.org/standards/"
      "desktop-bookmarks' lang='en'>\n"
      "  <title>My bookmarks</title>\n"
      "  <!-- a comment of theirs -->\n"
      "  <folder id='1' folded='no' added='2024-01-02'>\n"
      "    <title>F</title>\n"
      "    <desc>About F</desc>\n"
      "    <separator/>\n"
      "    <bookmark href='https://a.example/' id='2' visited='2024-02-03' "
      "bookmark:icon='x.png'>\n"
      "      <title>A</title>\n"
      "      <info><metadata owner='http://freedesktop.org'><bookmark:applications/>"
      "</metadata></info>\n"
      "      <desc>About A</desc>\n"
      "    </bookmark>\n"
      "    <alias ref='2'/>\n"
      "    stray text\n"
      "  </folder>\n"
      "</xbel>\n";
  const XbelDocument document = read_ok(text);
  EXPECT_EQ(outline(document),
            "kept <title>My bookmarks</title>\n"
            "kept <!-- a comment of theirs -->\n"
            "[1] F/\n"
            "  kept <desc>About F</desc>\n"
            "  kept <separator/>\n"
            "  [2] A <https://a.example/>\n"
            "    kept <info><metadata owner=\"http://freedesktop.org\"><bookmark:applications/>"
            "</metadata></info>\n"
            "    kept <desc>About A</desc>\n"
            "  kept <alias ref=\"2\"/>\n");
  const XbelItem& folder = document.items[2];
  EXPECT_EQ(folder.attributes,
            (std::vector<XbelAttribute>{{"folded", "no"}, {"added", "2024-01-02"}}));
  EXPECT_EQ(folder.children[2].attributes,
            (std::vector<XbelAttribute>{{"visited", "2024-02-03"}, {"bookmark:icon", "x.png"}}));
  EXPECT_EQ(document.attributes,
            (std::vector<XbelAttribute>{
                {"xmlns:bookmark", "http://www.freedesktop.org/standards/desktop-bookmarks"},
                {"version", "1.0"},
                {"lang", "en"}}));
  const std::string written = write_xbel(document);
  XbelDocument again = read_ok(written);
  again.highest_id = 0;
  EXPECT_EQ(again, document) << written;
}

TEST(Xbel, TitlesAndAddressesOfAnyTextComeBackExactlyOrAsReplacementCharacters) {
  XbelDocument document;
  XbelItem bookmark;
  bookmark.kind = XbelItem::Kind::kBookmark;
  bookmark.id = "1";
  bookmark.title = "  A & B <i> \"q\" 'a'\ttab\r\nline ]]> --> ";
  bookmark.href = "javascript:alert(\"&amp;\")\t<x>\r\n";
  document.items.push_back(bookmark);
  XbelItem odd = bookmark;
  odd.id = "2";
  odd.title = std::string("bell\x07 nul-free \xFF\xFE bad UTF-8", 27);
  odd.href = "http://x/\x01";
  document.items.push_back(odd);

  const XbelDocument again = read_ok(write_xbel(document));
  ASSERT_EQ(again.items.size(), 2U);
  EXPECT_EQ(again.items[0].title, bookmark.title);
  EXPECT_EQ(again.items[0].href, bookmark.href);
  EXPECT_EQ(again.items[1].title, "bell\xEF\xBF\xBD nul-free \xEF\xBF\xBD\xEF\xBF\xBD bad UTF-8");
  EXPECT_EQ(again.items[1].href, "http://x/\xEF\xBF\xBD");
}

TEST(Xbel, FilesThatAreNotXbelOrWouldCostTooMuchAreRefusedWhole) {
  EXPECT_FALSE(read_xbel("").ok);
  EXPECT_FALSE(read_xbel("<html><body>Not found</body></html>").ok);
  EXPECT_FALSE(read_xbel("<xbel><folder><title>cut short").ok);
  EXPECT_FALSE(read_xbel("{\"roots\": {}}").ok);
  // Entities: a few lines that would expand to gigabytes, and one that reads a file.
  std::string laughs = "<?xml version='1.0'?><!DOCTYPE xbel [<!ENTITY a 'aaaaaaaaaa'>";
  for (char name = 'b'; name <= 'j'; ++name) {
    std::string refs;
    for (int i = 0; i < 10; ++i) refs += std::string("&") + static_cast<char>(name - 1) + ";";
    laughs += std::string("<!ENTITY ") + name + " '" + refs + "'>";
  }
  laughs += "]><xbel><bookmark href='x'><title>&j;</title></bookmark></xbel>";
  const XbelRead bomb = read_xbel(laughs);
  EXPECT_FALSE(bomb.ok);
  EXPECT_FALSE(bomb.message.empty());
  EXPECT_FALSE(read_xbel("<!DOCTYPE xbel [<!ENTITY f SYSTEM 'file:///etc/passwd'>]>"
                         "<xbel><bookmark href='x'><title>&f;</title></bookmark></xbel>")
                   .ok);

  std::string deep = "<xbel>";
  for (int i = 0; i <= kMaxBookmarkDepth; ++i) deep += "<folder><title>f</title>";
  for (int i = 0; i <= kMaxBookmarkDepth; ++i) deep += "</folder>";
  deep += "</xbel>";
  const XbelRead too_deep = read_xbel(deep);
  EXPECT_FALSE(too_deep.ok);
  EXPECT_EQ(too_deep.message, kTooDeep);

  const XbelRead too_large = read_xbel(std::string(kMaxBookmarkFileBytes + 1, ' '));
  EXPECT_EQ(too_large.message, kTooLarge);
}

TEST(Xbel, OurMetadataSitsBesideOtherProgramsAndGoesWithoutATrace) {
  XbelItem item;
  item.kind = XbelItem::Kind::kBookmark;
  item.children.push_back({XbelItem::Kind::kKept,
                           "",
                           "",
                           "",
                           {},
                           "<info><metadata owner=\"other\" x=\"1\"/></info>",
                           {}});
  item.children.push_back({XbelItem::Kind::kKept, "", "", "", {}, "<desc>d</desc>", {}});
  EXPECT_FALSE(xbel_metadata(item, "ours", "bytes"));

  set_xbel_metadata(item, "ours", "bytes", "6162");
  EXPECT_EQ(xbel_metadata(item, "ours", "bytes"), "6162");
  EXPECT_EQ(xbel_metadata(item, "other", "x"), "1");
  set_xbel_metadata(item, "ours", "bytes", "63");
  EXPECT_EQ(xbel_metadata(item, "ours", "bytes"), "63");

  set_xbel_metadata(item, "ours", "bytes", std::nullopt);
  EXPECT_FALSE(xbel_metadata(item, "ours", "bytes"));
  ASSERT_EQ(item.children.size(), 2U);
  EXPECT_EQ(item.children[0].kept, "<info><metadata owner=\"other\" x=\"1\"/></info>");

  XbelItem bare;
  bare.kind = XbelItem::Kind::kBookmark;
  set_xbel_metadata(bare, "ours", "bytes", "00");
  EXPECT_EQ(bare.children.size(), 1U);
  set_xbel_metadata(bare, "ours", "bytes", std::nullopt);
  EXPECT_TRUE(bare.children.empty());
}

}  // namespace
}  // namespace kv
