#include "favorites/add_favorite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/form1.h"
#include "fake_favorites_host.h"
#include "favorites/fav_window.h"
#include "support/file_bytes.h"
#include "support/run_until.h"

namespace kv {
namespace {

using Strings = std::vector<std::string>;

class AddFavorite : public ::testing::Test {
 protected:
  void SetUp() override { attach_favorites_menu(form(), host); }
  Form1& form() { return *host.first; }
  Strings entries() {
    Strings out;
    frmFav* w = host.favorites_window();
    if (w == nullptr) return out;
    for (std::size_t i = 0; i < w->items().count(); ++i) out.push_back(w->items().item(i));
    return out;
  }

  test::FakeFavoritesHost host;
};

TEST_F(AddFavorite, TheAddressGoesLastWithoutPromptOrShowing) {
  test::write_bytes(host.favorites_file(), "stored\r\n");
  form().cboURL_entry().set_text("  http://x.test/a,b ");
  form().mnuFavoritesAddFavorites.activate();
  ASSERT_NE(host.favorites_window(), nullptr) << "loaded for the addition";
  EXPECT_FALSE(host.favorites_window()->get_visible());
  EXPECT_TRUE(host.scripted.input_boxes.empty());
  EXPECT_EQ(entries(), (Strings{"stored", "  http://x.test/a,b "})) << "taken as it stands";
  EXPECT_EQ(test::read_bytes(host.favorites_file()), "stored\r\n") << "no file is written";

  // The same address again gives a second entry.
  form().mnuFavoritesAddFavorites.activate();
  EXPECT_EQ(entries().size(), 3U);
  EXPECT_EQ(host.windows_created, 1);
}

TEST_F(AddFavorite, AnEmptyAddressAsksWithThePrompt) {
  host.scripted.input_answers = {"www."};
  form().mnuFavoritesAddFavorites.activate();
  ASSERT_EQ(host.scripted.input_boxes.size(), 1U);
  const auto& asked = host.scripted.input_boxes[0];
  EXPECT_EQ(asked.prompt, "Enter website you wish to add to favorites");
  EXPECT_EQ(asked.title, "Add");
  EXPECT_EQ(asked.default_text, "www.");
  EXPECT_EQ(asked.parent, &form());
  EXPECT_EQ(entries(), (Strings{"www."}));
}

TEST_F(AddFavorite, CancelOrAnEmptyAnswerAddsNothing) {
  host.scripted.input_answers = {""};
  form().mnuFavoritesAddFavorites.activate();  // emptied and OK
  form().mnuFavoritesAddFavorites.activate();  // Cancel
  EXPECT_EQ(host.scripted.input_boxes.size(), 2U);
  EXPECT_EQ(host.favorites_window(), nullptr) << "not even loaded";
}

TEST_F(AddFavorite, AShownWindowStaysShownAndListsTheNewEntry) {
  show_favorites(host);
  frmFav& w = *host.favorites_window();
  form().cboURL_entry().set_text("www.new.test");
  form().mnuFavoritesAddFavorites.activate();
  EXPECT_TRUE(w.get_visible());
  EXPECT_EQ(entries(), (Strings{"www.new.test"}));
  EXPECT_TRUE(w.changed);
}

}  // namespace
}  // namespace kv
