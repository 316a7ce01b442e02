#include "favorites/favorites_on_disk.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "bookmarks/xbel.h"
#include "desktop/glib_handles.h"
#include "shell/link_names.h"
#include "support/temp_dir.h"
#include "sync/list_lines.h"
#include "sync/local_apply.h"
#include "sync/sync_plan.h"

namespace kv {
namespace {

std::string contents(const std::string& path) {
  OwnedChars text;
  gsize length = 0;
  if (!g_file_get_contents(path.c_str(), out(text), &length, nullptr)) return "(none)";
  return std::string(text.get(), length);
}

void put(const std::string& path, const std::string& bytes) {
  g_file_set_contents(path.c_str(), bytes.data(), static_cast<gssize>(bytes.size()), nullptr);
}

class FavoritesOnDiskTest : public ::testing::Test {
 protected:
  void SetUp() override { g_mkdir(folder().c_str(), 0700); }
  [[nodiscard]] std::string folder() const { return home.file("Favorites"); }
  [[nodiscard]] std::string at(const std::string& name) const { return folder() + "/" + name; }

  test::TempDir home;
  test::TempDir elsewhere;
  FavoritesOnDisk favorites{home.file("Favorites"), home.file("fav.Dat")};
};

TEST_F(FavoritesOnDiskTest, ReadsFoldersLinksAndTheListAsTheyAreWithoutFollowingLinks) {
  g_mkdir(at("Work").c_str(), 0700);
  put(at("Work/Site.url"), internet_shortcut_text("https://site.example/"));
  put(at("Work/Named.desktop"),
      "[Desktop Entry]\nType=Link\nName=Shown name\nURL=https://d.example/\n");
  put(at("No address.url"), "[InternetShortcut]\n");
  put(at("notes.txt"), "not a link");
  // A folder of someone else's, linked in: not ours to sync or change.
  put(elsewhere.file("Outside.url"), internet_shortcut_text("https://outside.example/"));
  ASSERT_EQ(symlink(elsewhere.path().c_str(), at("Linked").c_str()), 0);
  put(home.file("fav.Dat"),
      "\xEF\xBB\xBF"
      "first\r\ncaf\xE9\r\n");

  const LocalRead read = favorites.read();
  ASSERT_TRUE(read.ok);
  ASSERT_EQ(read.folder.children.size(), 1U);
  const LocalItem& work = read.folder.children[0];
  EXPECT_EQ(work.path, "Work");
  ASSERT_EQ(work.children.size(), 2U);
  EXPECT_EQ(work.children[0].path, "Work/Named.desktop");
  EXPECT_EQ(work.children[0].title, "Shown name");
  EXPECT_EQ(work.children[1].path, "Work/Site.url");
  EXPECT_EQ(work.children[1].href, "https://site.example/");
  ASSERT_EQ(read.list.size(), 2U);
  EXPECT_EQ(read.list[0].bytes,
            "\xEF\xBB\xBF"
            "first");
  EXPECT_EQ(read.list[0].text, "first");
  EXPECT_EQ(read.list[1].text, "caf\xC3\xA9");

  // The list goes back byte for byte, the mark at its start included.
  const std::vector<std::string> lines = {read.list[0].bytes, read.list[1].bytes};
  ASSERT_TRUE(favorites.write_list(lines, lines));
  EXPECT_EQ(contents(home.file("fav.Dat")),
            "\xEF\xBB\xBF"
            "first\r\ncaf\xE9\r\n");
}

TEST_F(FavoritesOnDiskTest, TheListIsNeverWrittenOverWhatWasWrittenSinceItWasRead) {
  put(home.file("fav.Dat"), "a\r\n");
  const LocalRead read = favorites.read();
  // The browser's favourites window closes meanwhile and writes its list.
  put(home.file("fav.Dat"), "a\r\nadded in the window\r\n");
  EXPECT_FALSE(favorites.write_list({"from the server"}, {read.list[0].bytes}));
  EXPECT_EQ(contents(home.file("fav.Dat")), "a\r\nadded in the window\r\n");
  EXPECT_TRUE(favorites.write_list({"from the server"}, {"a", "added in the window"}));
  EXPECT_EQ(contents(home.file("fav.Dat")), "from the server\r\n");
}

TEST_F(FavoritesOnDiskTest, NothingIsWrittenOrRemovedThroughALinkOrOutsideTheFolder) {
  ASSERT_EQ(symlink(elsewhere.path().c_str(), at("Linked").c_str()), 0);
  put(elsewhere.file("Theirs.url"), internet_shortcut_text("https://theirs.example/"));
  EXPECT_FALSE(favorites.add_link("Linked", "Planted", "https://x.example/"));
  EXPECT_FALSE(favorites.add_folder("Linked", "Planted"));
  EXPECT_FALSE(favorites.add_link("..", "Planted", "https://x.example/"));
  EXPECT_FALSE(favorites.add_link("Work/../..", "Planted", "https://x.example/"));
  EXPECT_FALSE(favorites.remove("Linked/Theirs.url"));
  EXPECT_FALSE(favorites.remove("Linked"));
  EXPECT_FALSE(favorites.move("Linked/Theirs.url", "", "Taken"));
  EXPECT_FALSE(favorites.set_address("Linked/Theirs.url", "https://changed.example/"));
  EXPECT_EQ(contents(elsewhere.file("Theirs.url")),
            internet_shortcut_text("https://theirs.example/"));
  EXPECT_FALSE(g_file_test(elsewhere.file("Planted.url").c_str(), G_FILE_TEST_EXISTS));
  EXPECT_FALSE(g_file_test(home.file("Planted.url").c_str(), G_FILE_TEST_EXISTS));
  EXPECT_TRUE(g_file_test(at("Linked").c_str(), G_FILE_TEST_IS_SYMLINK));
}

TEST_F(FavoritesOnDiskTest, NamesAreNeverTakenOverAndTitlesBecomeSafeNames) {
  put(at("Page.url"), internet_shortcut_text("https://old.example/"));
  EXPECT_EQ(favorites.add_link("", "Page", "https://new.example/"), "Page (2).url");
  EXPECT_EQ(favorites.add_link("", "A/B .hidden?", "https://ab.example/"),
            "A\xE2\x88\x95"
            "B .hidden?.url");
  EXPECT_EQ(favorites.add_folder("", "Page.url"), "Page.url (2)");
  EXPECT_EQ(contents(at("Page.url")), internet_shortcut_text("https://old.example/"));
  // Renamed onto a name in use, it takes the next number.
  EXPECT_EQ(favorites.move("Page (2).url", "", "Page"), "Page (2).url");
  EXPECT_EQ(favorites.add_folder("", "Sub"), "Sub");
  EXPECT_EQ(favorites.move("Page (2).url", "Sub", "Page"), "Sub/Page.url");
  EXPECT_EQ(contents(at("Sub/Page.url")), internet_shortcut_text("https://new.example/"));
  // A desktop link given a new address becomes an internet shortcut of its name.
  put(at("Sub/Old.desktop"), "[Desktop Entry]\nType=Link\nURL=https://d.example/\n");
  EXPECT_EQ(favorites.set_address("Sub/Old.desktop", "https://e.example/"), "Sub/Old.url");
  EXPECT_FALSE(g_file_test(at("Sub/Old.desktop").c_str(), G_FILE_TEST_EXISTS));
  EXPECT_EQ(contents(at("Sub/Old.url")), internet_shortcut_text("https://e.example/"));
}

TEST_F(FavoritesOnDiskTest, AFolderThatStillHoldsTheUsersFilesStays) {
  g_mkdir(at("Trip").c_str(), 0700);
  put(at("Trip/Hotel.url"), internet_shortcut_text("https://hotel.example/"));
  put(at("Trip/tickets.pdf"), "%PDF");
  EXPECT_TRUE(favorites.remove("Trip/Hotel.url"));
  EXPECT_TRUE(favorites.remove("Trip"));
  EXPECT_TRUE(g_file_test(at("Trip/tickets.pdf").c_str(), G_FILE_TEST_EXISTS));
  EXPECT_FALSE(favorites.remove("Trip/tickets.pdf"));
  EXPECT_TRUE(favorites.remove("Gone.url"));
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

XbelItem folder_of(const std::string& title, std::vector<XbelItem> children = {}) {
  XbelItem item;
  item.title = title;
  item.children = std::move(children);
  return item;
}

XbelItem bookmark_of(const std::string& title, const std::string& href) {
  XbelItem item;
  item.kind = XbelItem::Kind::kBookmark;
  item.title = title;
  item.href = href;
  return item;
}

// A server file is outside input: whatever its titles and addresses, what a sync writes
// stays inside the favourites folder and fav.Dat, as link files and folders.
TEST_F(FavoritesOnDiskTest, AHostileServerFileWritesNothingOutsideTheFavourites) {
  XbelDocument hostile;
  hostile.items = {
      folder_of("..", {bookmark_of("../../escape", "https://a.example/")}),
      folder_of("../../up", {bookmark_of("..", "https://b.example/")}),
      folder_of("/etc", {bookmark_of("/etc/passwd", "https://c.example/")}),
      folder_of(".hidden", {bookmark_of(".bashrc", "https://d.example/")}),
      bookmark_of(std::string("ctl\x01\x7f") + std::string(400, 'x'), "https://e.example/"),
      bookmark_of("", "https://f.example/"),
      bookmark_of("two lines",
                  "https://g.example/\r\n[InternetShortcut]\r\nURL=file:///etc/passwd"),
      folder_of(kListFolderTitle,
                {bookmark_of("a", "line one\nline two"), bookmark_of("b", "kept")})};
  const std::string server = write_xbel(hostile);
  const auto text_of = [this](std::string_view bytes) { return favorites.list_text(bytes); };
  const SyncPlan plan = plan_sync(read_xbel(server).document, {}, {}, favorites.read(),
                                  SyncMode::kUseServer, text_of);
  EXPECT_TRUE(apply_locally(plan.merged, plan.local, favorites).ok);

  std::error_code error;
  for (std::filesystem::recursive_directory_iterator it(home.path(), error), end;
       !error && it != end; it.increment(error)) {
    const std::string path = it->path().string();
    if (path == home.file("fav.Dat") || path == folder()) continue;
    ASSERT_EQ(path.rfind(folder() + "/", 0), 0U) << path;
    const std::string name = it->path().filename().string();
    EXPECT_NE(name.front(), '.') << path;
    EXPECT_TRUE(it->is_directory() || name.ends_with(".url")) << path;
    EXPECT_FALSE(it->is_symlink()) << path;
  }
  EXPECT_TRUE(std::filesystem::is_empty(elsewhere.path()));
  EXPECT_EQ(contents(home.file("fav.Dat")), "kept\r\n");
  const LocalRead read = favorites.read();
  EXPECT_EQ(read.folder.children.size(), 6U);  // the link of two lines is left to the server
}

}  // namespace
}  // namespace kv
