#include "shell/folder_pages.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "shell/favorites_folder.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

using namespace std::string_literals;

std::vector<std::string> link_names(const FolderListing& listing) {
  std::vector<std::string> names;
  for (const auto& link : listing.links) names.push_back(link.name);
  return names;
}

TEST(LinkFiles, InternetShortcutsAreReadTolerantly) {
  EXPECT_EQ(internet_shortcut_address("[InternetShortcut]\r\nURL=http://a.test/\r\n"),
            "http://a.test/");
  EXPECT_EQ(internet_shortcut_address("[DEFAULT]\nBASEURL=http://x/\n[internetshortcut]\n"
                                      "  url = http://b.test/?q=a=b \nIconIndex=0\n"),
            "http://b.test/?q=a=b");
  // A byte-order mark is skipped, so are lines without '='; the first address wins.
  EXPECT_EQ(internet_shortcut_address("\xEF\xBB\xBF[InternetShortcut]\nnoise\n\0\n"
                                      "URL=http://c.test/\nURL=http://d.test/"s),
            "http://c.test/");
  for (const std::string& text :
       std::vector<std::string>{"", "URL=http://outside.test/", "[InternetShortcut]\nURL",
                                "[InternetShortcut]\nURL=", "[Other]\nURL=http://x/",
                                "[InternetShortcut", std::string(3, '\0')}) {
    EXPECT_FALSE(internet_shortcut_address(text).has_value()) << text;
  }
}

TEST(LinkFiles, DesktopLinksNeedTypeLink) {
  const auto link =
      desktop_link("[Desktop Entry]\nType=Link\nName=Docs\nName[de]=Doku\nURL=https://d.test/\n");
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(link->name, "Docs");
  EXPECT_EQ(link->address, "https://d.test/");
  EXPECT_FALSE(desktop_link("[Desktop Entry]\nType=Application\nExec=rm -rf ~\nURL=x\n"));
  EXPECT_FALSE(desktop_link("[Desktop Entry]\nType=Link\nName=No address\n"));
  EXPECT_FALSE(desktop_link("[Other]\nType=Link\nURL=http://x/\n"));
}

TEST(FavoritesFolder, ListsSubfoldersThenLinksByName) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.file("Work"));
  std::filesystem::create_directory(dir.file("archive"));
  std::filesystem::create_directory(dir.file(".hidden"));
  test::write_bytes(dir.file("zeta.url"), "[InternetShortcut]\nURL=http://z.test/\n");
  test::write_bytes(dir.file("Alpha.URL"), "[InternetShortcut]\nURL=http://a.test/\n");
  test::write_bytes(dir.file("link 10.url"), "[InternetShortcut]\nURL=http://10.test/\n");
  test::write_bytes(dir.file("link 9.url"), "[InternetShortcut]\nURL=http://9.test/\n");
  test::write_bytes(dir.file("docs.desktop"),
                    "[Desktop Entry]\nType=Link\nName=Manual\nURL=file:///m\n");
  test::write_bytes(dir.file("notes.txt"), "not a link");
  test::write_bytes(dir.file(".secret.url"), "[InternetShortcut]\nURL=http://hidden.test/\n");

  const FolderListing listing = read_favorites_folder(dir.path(), 100);
  ASSERT_TRUE(listing.readable);
  EXPECT_EQ(listing.subfolders, (std::vector<std::string>{"archive", "Work"}));
  EXPECT_EQ(link_names(listing),
            (std::vector<std::string>{"Alpha", "Manual", "link 9", "link 10", "zeta"}));
  EXPECT_EQ(listing.links[0].address, "http://a.test/");
  EXPECT_EQ(listing.links[1].address, "file:///m");
  EXPECT_EQ(listing.omitted, 0U);

  EXPECT_FALSE(read_favorites_folder(dir.file("missing"), 100).readable);
}

TEST(FavoritesFolder, OddFilesNeitherBlockNorBreakTheListing) {
  test::TempDir dir;
  // A FIFO would block a plain open for ever; a device would never end.
  ASSERT_EQ(::mkfifo(dir.file("pipe.url").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", dir.file("zero.url"));
  std::filesystem::create_symlink(dir.file("nowhere"), dir.file("dangling.url"));
  test::write_bytes(dir.file("truncated.url"), "[InternetSho");
  test::write_bytes(dir.file("binary.url"), "\0\x01\x02\xFF[InternetShortcut]\0URL=\xFF\xFE"s);
  test::write_bytes(dir.file("empty.url"), "");
  test::write_bytes(dir.file("latin1.url"), "[InternetShortcut]\nURL=http://caf\xE9.test/\n");
  test::write_bytes(dir.file("name \xFF\xFE.url"),
                    "[InternetShortcut]\nURL=http://odd-name.test/\n");
  // The address far into a huge file is past what is read, and that is fine.
  std::string huge(4 << 20, ' ');
  huge += "\n[InternetShortcut]\nURL=http://x/\n";
  test::write_bytes(dir.file("huge.url"), huge);

  const FolderListing listing = read_favorites_folder(dir.path(), 100);
  ASSERT_TRUE(listing.readable);
  std::map<std::string, std::string> by_name;
  for (const auto& link : listing.links) {
    EXPECT_TRUE(g_utf8_validate(link.name.c_str(), -1, nullptr)) << link.name;
    EXPECT_TRUE(g_utf8_validate(link.address.c_str(), -1, nullptr)) << link.address;
    by_name[link.name] = link.address;
  }
  EXPECT_EQ(by_name.at("truncated"), "");
  EXPECT_EQ(by_name.at("binary"), "");
  EXPECT_EQ(by_name.at("empty"), "");
  EXPECT_EQ(by_name.at("huge"), "");
  EXPECT_EQ(by_name.at("latin1"), "http://caf\xEF\xBF\xBD.test/");
  EXPECT_EQ(by_name.count("pipe"), 0U);  // not a link file at all
  EXPECT_EQ(by_name.count("zero"), 0U);
  EXPECT_EQ(by_name.count("dangling"), 0U);
  bool odd_name_listed = false;
  for (const auto& [name, address] : by_name) {
    odd_name_listed = odd_name_listed || address == "http://odd-name.test/";
  }
  EXPECT_TRUE(odd_name_listed);
}

TEST(FolderPages, EverythingFromFilesIsEscapedAndOnlySafeAddressesAreLinks) {
  FolderListing listing;
  listing.readable = true;
  listing.subfolders = {"a&b"};
  listing.subfolder_names = {"a&b"};
  listing.links = {{"<script>alert(1)</script>", "http://x.test/?a=1&b=\"2\"", "s.url"},
                   {"evil", "javascript:alert(1)", "evil.url"},
                   {"data", "data:text/html,<b>x</b>", "data.url"},
                   {"none", "", "none.url"}};
  const std::string html = favorites_page({CSIDL_FAVORITES, {"Top"}}, listing);
  EXPECT_EQ(html.find("<script>"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(html.find("href=\"http://x.test/?a=1&amp;b=&quot;2&quot;\""), std::string::npos);
  EXPECT_EQ(html.find("href=\"javascript:"), std::string::npos);
  EXPECT_EQ(html.find("href=\"data:"), std::string::npos);
  EXPECT_NE(html.find("javascript:alert(1)"), std::string::npos) << "shown, not linked";
  EXPECT_NE(html.find("href=\"kv-shell://favorites/Top/a%26b\""), std::string::npos);
  EXPECT_NE(html.find("href=\"kv-shell://favorites/\">Favorites</a>"), std::string::npos);
  EXPECT_NE(html.find("(no address)"), std::string::npos);

  EXPECT_EQ(html_escape("<a href='x'>&\"</a>"), "&lt;a href=&#39;x&#39;&gt;&amp;&quot;&lt;/a&gt;");
}

TEST(FolderPages, HistoryDaysAreLabelledFromToday) {
  GDateTime* local = g_date_time_new_local(2024, 3, 10, 9, 30, 0);
  const auto now =
      HistoryStore::Clock::time_point(std::chrono::seconds(g_date_time_to_unix(local)));
  g_date_time_unref(local);
  HistoryReading reading;
  reading.available = true;
  reading.days = {{2024, 3, 10, {{"http://t.test/", "Today's <page>", 0}}},
                  {2024, 3, 9, {{"http://y.test/", "", 0}}},
                  {2024, 3, 1, {{"javascript:x", "bad", 0}}}};
  const std::string html = history_page(reading, now);
  const auto today = html.find("<h2>Today</h2>");
  const auto yesterday = html.find("<h2>Yesterday</h2>");
  const auto older = html.find("<h2>Friday, ");
  ASSERT_NE(today, std::string::npos);
  ASSERT_NE(yesterday, std::string::npos);
  ASSERT_NE(older, std::string::npos) << html;
  EXPECT_LT(today, html.find("Today&#39;s &lt;page&gt;"));
  EXPECT_LT(today, yesterday);
  EXPECT_LT(yesterday, older);
  // A page without a title is shown by its address.
  EXPECT_NE(html.find(">http://y.test/</a><a"), std::string::npos);
  EXPECT_EQ(html.find("href=\"javascript:"), std::string::npos);

  reading.available = false;
  EXPECT_NE(history_page(reading, now).find("The history cannot be read just now."),
            std::string::npos);
}

}  // namespace
}  // namespace kv
