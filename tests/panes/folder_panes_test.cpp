#include "favorites/folder_panes.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <set>

#include "shell/shell_folders.h"
#include "support/fake_form.h"

namespace kv {
namespace {

// A shell that hands out real heap lists (the platform's own, or scripted bytes), and
// keeps count of what it handed out and what came back.
class CountingShell : public ShellFolders {
 public:
  std::int32_t SHGetSpecialFolderLocation(Gtk::Window* owner, int csidl,
                                          ItemIdList*& out) override {
    asked.push_back(csidl);
    owners.push_back(owner);
    out = nullptr;
    std::int32_t result = kShellOk;
    if (scripted) {
      if (!scripted->empty()) {
        void* memory = g_malloc(scripted->size());
        std::memcpy(memory, scripted->data(), scripted->size());
        out = static_cast<ItemIdList*>(memory);
      }
      result = scripted_result;
    } else {
      result = kv::SHGetSpecialFolderLocation(owner, csidl, out);
    }
    if (out != nullptr) outstanding.insert(out);
    return result;
  }

  void CoTaskMemFree(void* memory) override {
    EXPECT_EQ(outstanding.erase(static_cast<ItemIdList*>(memory)), 1U) << "freed twice or foreign";
    ++freed;
    kv::CoTaskMemFree(memory);
  }

  std::optional<std::vector<std::uint8_t>> scripted;  // bytes to hand out ({} = none)
  std::int32_t scripted_result = kShellOk;
  std::vector<int> asked;
  std::vector<Gtk::Window*> owners;
  std::set<ItemIdList*> outstanding;
  int freed = 0;
};

std::vector<std::uint8_t> list_of(const std::vector<int>& sizes) {
  std::vector<std::uint8_t> bytes;
  for (const int size : sizes) {
    bytes.push_back(static_cast<std::uint8_t>(size & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((size >> 8) & 0xFF));
    bytes.insert(bytes.end(), static_cast<std::size_t>(size) - 2, 0x5A);
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

class FolderPanes : public ::testing::Test {
 protected:
  void SetUp() override { attach_folder_panes(f.form, shell); }
  void TearDown() override { EXPECT_TRUE(shell.outstanding.empty()) << "a list was not freed"; }

  std::vector<std::vector<std::uint8_t>> navigated() {
    std::vector<std::vector<std::uint8_t>> lists;
    for (const auto& call : f.pane.calls_of("Navigate2")) lists.push_back(call.bytes);
    return lists;
  }
  bool pane_shown() { return f.form.WB1.Visible(); }
  bool button_shown() {
    return f.form.cmdCloseFavs.get_visible() && f.form.cmdCloseFavs.get_sensitive();
  }

  CountingShell shell;
  test::FakeForm f;
};

TEST_F(FolderPanes, FavouritesThenHistorySwitchTheSamePaneInPlace) {
  f.form.mnuFavoritesInternetExplorerFavorites.activate();
  EXPECT_EQ(shell.asked, std::vector<int>{CSIDL_FAVORITES});
  EXPECT_EQ(shell.owners, std::vector<Gtk::Window*>{&f.form});
  ASSERT_EQ(navigated().size(), 1U);
  EXPECT_EQ(navigated()[0], encode_item_id_list({CSIDL_FAVORITES, {}}));
  EXPECT_TRUE(pane_shown());
  EXPECT_TRUE(button_shown());
  EXPECT_EQ(f.form.cmdCloseFavs.get_label(), "Close Internet Explorer Favorites");
  EXPECT_EQ(f.pane.members(), (std::vector<std::string>{"Navigate2", "SetVisible"}));

  f.form.mnuToolsHistory.activate();
  ASSERT_EQ(navigated().size(), 2U);
  EXPECT_EQ(navigated()[1], encode_item_id_list({CSIDL_HISTORY, {}}));
  EXPECT_TRUE(pane_shown());
  EXPECT_EQ(f.form.cmdCloseFavs.get_label(), "Close History Window");
  EXPECT_EQ(shell.freed, 2);
  EXPECT_TRUE(f.web.calls.empty()) << "the page area is not touched";
}

TEST_F(FolderPanes, TheButtonHidesThePaneWhichKeepsItsFolder) {
  f.form.mnuToolsHistory.activate();
  f.pane.calls.clear();
  f.form.cmdCloseFavs.clicked();
  EXPECT_FALSE(pane_shown());
  EXPECT_FALSE(f.form.cmdCloseFavs.get_visible());
  EXPECT_FALSE(f.form.cmdCloseFavs.get_sensitive());
  EXPECT_EQ(f.form.cmdCloseFavs.get_label(), "Close History Window");
  EXPECT_EQ(f.pane.members(), std::vector<std::string>{"SetVisible"});
  EXPECT_TRUE(f.web.calls.empty());

  // Shown again, navigated afresh.
  f.form.mnuFavoritesInternetExplorerFavorites.activate();
  EXPECT_TRUE(pane_shown());
  EXPECT_TRUE(button_shown());
  EXPECT_EQ(navigated(),
            std::vector<std::vector<std::uint8_t>>{encode_item_id_list({CSIDL_FAVORITES, {}})});
}

TEST_F(FolderPanes, TheControlGetsExactlyTheListsBytes) {
  shell.scripted = list_of({20, 14});
  f.form.mnuFavoritesInternetExplorerFavorites.activate();
  ASSERT_EQ(navigated().size(), 1U);
  EXPECT_EQ(navigated()[0].size(), 36U);
  EXPECT_EQ(navigated()[0], *shell.scripted);
  EXPECT_EQ(shell.freed, 1);

  shell.scripted = list_of({});
  f.form.mnuToolsHistory.activate();
  EXPECT_EQ(navigated().back(), (std::vector<std::uint8_t>{0, 0}));
}

TEST_F(FolderPanes, NoFolderChangesNothingAndAnyListIsStillFreed) {
  // Failure without a list; success without a list; failure that hands one back anyway.
  shell.scripted = std::vector<std::uint8_t>{};
  shell.scripted_result = kShellFail;
  f.form.mnuToolsHistory.activate();
  shell.scripted_result = kShellOk;
  f.form.mnuToolsHistory.activate();
  shell.scripted = list_of({10});
  shell.scripted_result = kShellInvalidArgument;
  f.form.mnuFavoritesInternetExplorerFavorites.activate();
  EXPECT_EQ(shell.freed, 1);

  // Too long for 16-bit sizes, and malformed: the size is 0, the pane stays as it was.
  shell.scripted_result = kShellOk;
  shell.scripted = list_of({30000, 2767});
  f.form.mnuFavoritesInternetExplorerFavorites.activate();
  shell.scripted = std::vector<std::uint8_t>{4, 0, 1, 1, 0xFC, 0xFF, 0, 0};
  f.form.mnuToolsHistory.activate();
  EXPECT_EQ(shell.freed, 3);

  EXPECT_TRUE(f.pane.calls.empty());
  EXPECT_FALSE(pane_shown());
  EXPECT_FALSE(f.form.cmdCloseFavs.get_visible());
  EXPECT_FALSE(f.form.cmdCloseFavs.get_sensitive());
  EXPECT_EQ(f.form.cmdCloseFavs.get_label(), "Close IE Favorites");
}

TEST_F(FolderPanes, ARefusingControlStillShowsTheButtonAndFreesTheList) {
  f.pane.refused = {"Navigate2", "SetVisible"};
  f.form.mnuToolsHistory.activate();
  EXPECT_EQ(f.pane.members(), (std::vector<std::string>{"Navigate2", "SetVisible"}));
  EXPECT_TRUE(button_shown());
  EXPECT_EQ(f.form.cmdCloseFavs.get_label(), "Close History Window");
  EXPECT_EQ(shell.freed, 1);
  f.form.cmdCloseFavs.clicked();
  EXPECT_FALSE(f.form.cmdCloseFavs.get_visible());
}

TEST_F(FolderPanes, EachWindowHasItsOwnPane) {
  test::FakeForm second;
  attach_folder_panes(second.form, shell);
  second.form.mnuToolsHistory.activate();
  EXPECT_TRUE(second.form.WB1.Visible());
  EXPECT_EQ(second.form.cmdCloseFavs.get_label(), "Close History Window");
  EXPECT_EQ(shell.owners, std::vector<Gtk::Window*>{&second.form});
  EXPECT_TRUE(f.pane.calls.empty());
  EXPECT_FALSE(pane_shown());
  EXPECT_FALSE(f.form.cmdCloseFavs.get_visible());

  f.form.mnuFavoritesInternetExplorerFavorites.activate();
  f.form.cmdCloseFavs.clicked();
  EXPECT_TRUE(second.form.WB1.Visible()) << "closing one pane leaves the other";
  EXPECT_TRUE(second.form.cmdCloseFavs.get_visible());
}

}  // namespace
}  // namespace kv
