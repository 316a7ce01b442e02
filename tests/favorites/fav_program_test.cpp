// The favourites against the real program object, with recording browser controls.
#include <gtest/gtest.h>

#include <string>

#include "app/program.h"
#include "browser/form1.h"
#include "favorites/frm_fav.h"
#include "support/file_bytes.h"
#include "support/program_with_fakes.h"
#include "support/run_until.h"
#include "support/widget_events.h"

namespace kv {
namespace {

class FavProgram : public test::ProgramWithFakes {
 protected:
  static void close_box(Form1& form) {
    test::close_box(form);
    test::flush_events();
  }
  std::optional<std::string> fav_dat() const { return test::read_bytes(folder.file("fav.Dat")); }
};

TEST_F(FavProgram, AddedInASecondWindowOpensInTheFirst) {
  Form1& first = program.open_first_main_window();
  first.mnuFileNewNewWindow.activate();
  Form1& second = program.main_window(1);
  second.cboURL_entry().set_text("www.second.test");
  second.mnuFavoritesAddFavorites.activate();
  second.mnuFavoritesShowFavorites.activate();

  frmFav* fav = program.favorites_window();
  ASSERT_NE(fav, nullptr);
  EXPECT_TRUE(fav->get_visible());
  fav->List1.get_selection()->select(Gtk::TreePath("0"));
  fav->cmdGoToFav.clicked();
  EXPECT_EQ(first.cboURL_entry().get_text(), "www.second.test");
  EXPECT_EQ(web_of(first).calls_of("Navigate").back().text, "www.second.test");
  EXPECT_NE(web_of(second).calls_of("Navigate").back().text, "www.second.test");
  EXPECT_FALSE(fav->get_visible());

  // Close writes the list and unloads; the window goes once the click is over.
  fav->show();
  fav->cmdClose.clicked();
  EXPECT_EQ(program.favorites_window(), nullptr);
  EXPECT_EQ(fav_dat(), "www.second.test\r\n");
  test::flush_events();
  second.mnuFavoritesShowFavorites.activate();
  ASSERT_NE(program.favorites_window(), nullptr);
  EXPECT_EQ(program.favorites_window()->items().count(), 1U) << "read afresh";
}

TEST_F(FavProgram, FileCloseKeepsWhatWasAdded) {
  Form1& first = program.open_first_main_window();
  first.cboURL_entry().set_text("www.kept.test");
  first.mnuFavoritesAddFavorites.activate();
  first.mnuFileClose.activate();
  EXPECT_EQ(quits, 1);
  EXPECT_EQ(fav_dat(), "www.kept.test\r\n");
  EXPECT_FALSE(program.favorites_window()->get_visible());
}

TEST_F(FavProgram, ClosingTheLastWindowKeepsWhatWasAdded) {
  test::write_bytes(folder.file("fav.Dat"), "old\r\n");
  Form1& first = program.open_first_main_window();
  first.cboURL_entry().set_text("www.kept.test");
  first.mnuFavoritesAddFavorites.activate();
  program.favorites_window()->show();  // a shown favourites window keeps nothing alive
  close_box(first);
  EXPECT_EQ(quits, 1);
  EXPECT_EQ(fav_dat(), "old\r\nwww.kept.test\r\n");
}

TEST_F(FavProgram, WithTheFirstWindowClosedAFavouriteOpensANewFirstWindow) {
  test::write_bytes(folder.file("fav.Dat"), "www.fav.test\r\n");
  Form1& first = program.open_first_main_window();
  first.mnuFileNewNewWindow.activate();
  Form1& second = program.main_window(1);
  close_box(first);
  ASSERT_EQ(program.first_main_window(), nullptr);
  ASSERT_EQ(program.main_window_count(), 1U);

  second.mnuFavoritesShowFavorites.activate();
  frmFav& fav = *program.favorites_window();
  fav.List1.get_selection()->select(Gtk::TreePath("0"));
  fav.cmdGoToFav.clicked();
  ASSERT_EQ(program.main_window_count(), 2U);
  Form1* now_first = program.first_main_window();
  ASSERT_NE(now_first, nullptr);
  EXPECT_NE(now_first, &second);
  EXPECT_TRUE(now_first->get_visible());
  EXPECT_EQ(now_first->cboURL_entry().get_text(), "www.fav.test");
  EXPECT_EQ(web_of(*now_first).calls_of("Navigate").back().text, "www.fav.test");
  EXPECT_EQ(quits, 0);
}

}  // namespace
}  // namespace kv
