#include "favorites/fav_window.h"

#include <atk/atk.h>
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "browser/form1.h"
#include "desktop/control_name.h"
#include "desktop/widget_style.h"
#include "fake_favorites_host.h"
#include "support/file_bytes.h"
#include "support/run_until.h"
#include "support/widget_events.h"

namespace kv {
namespace {

using Strings = std::vector<std::string>;

class FavWindow : public ::testing::Test {
 protected:
  frmFav& load() { return load_favorites_window(host); }
  frmFav& shown() {
    show_favorites(host);
    frmFav& w = *host.favorites_window();
    EXPECT_TRUE(test::run_until([&] { return w.get_mapped(); }));
    test::flush_events();
    return w;
  }
  // Without a window manager the keyboard goes to the window under the pointer.
  static void focus_window(frmFav& w) {
    int x = 0;
    int y = 0;
    w.get_window()->get_origin(x, y);
    auto pointer = w.get_display()->get_default_seat()->get_pointer();
    pointer->warp(w.get_screen(), x + 200, y + 200);
    ASSERT_TRUE(test::run_until([&] { return w.has_toplevel_focus(); }));
  }
  static Strings entries(frmFav& w) {
    Strings out;
    for (std::size_t i = 0; i < w.items().count(); ++i) out.push_back(w.items().item(i));
    return out;
  }
  static void select(frmFav& w, int row) {
    w.List1.get_selection()->select(Gtk::TreePath(std::to_string(row)));
  }
  void write_file(const std::string& bytes) { test::write_bytes(host.favorites_file(), bytes); }
  [[nodiscard]] std::optional<std::string> file() const {
    return test::read_bytes(host.favorites_file());
  }
  test::FakeWebBrowser& first_web() { return test::FakeFavoritesHost::web_of(*host.first); }

  test::FakeFavoritesHost host;
};

TEST_F(FavWindow, LaysOutItsControls) {
  frmFav& w = shown();
  EXPECT_EQ(w.get_title(), "Form2");
  EXPECT_FALSE(w.get_decorated());
  EXPECT_TRUE(w.get_skip_taskbar_hint());
  EXPECT_EQ(back_color(w), 0x00808080U);
  EXPECT_EQ(w.get_allocated_width(), 411);
  EXPECT_EQ(w.get_allocated_height(), 391);
  ASSERT_EQ(host.scripted.topmost, std::vector<Gtk::Window*>{&w}) << "kept on top as it loads";

  struct Place {
    Gtk::Widget* widget;
    const char* name;
    int left, top, width, height;  // pixels
  };
  for (const Place& p : {Place{&w.List1_frame(), "List1", 8, 8, 393, 342},
                         Place{&w.cmdClose, "cmdClose", 16, 352, 73, 25},
                         Place{&w.cmdRemove, "cmdRemove", 168, 352, 73, 25},
                         Place{&w.cmdGoToFav, "cmdGoToFav", 320, 352, 73, 25}}) {
    SCOPED_TRACE(p.name);
    int x = -1;
    int y = -1;
    ASSERT_TRUE(p.widget->translate_coordinates(w, 0, 0, x, y));
    EXPECT_EQ(x, p.left);
    EXPECT_EQ(y, p.top);
    EXPECT_EQ(p.widget->get_allocated_width(), p.width);
    EXPECT_EQ(p.widget->get_allocated_height(), p.height);
  }
  EXPECT_EQ(control_name_of(&w.List1), "List1");
  EXPECT_EQ(control_name_of(&w.cmdClose), "cmdClose");
  EXPECT_EQ(w.cmdClose.get_label(), "_Close");
  EXPECT_EQ(w.cmdRemove.get_label(), "_Remove");
  EXPECT_EQ(w.cmdGoToFav.get_label(), "_Go to Url");
  EXPECT_TRUE(w.cmdGoToFav.get_use_underline());

  // Tab order: List1, Close, Remove, Go to Url.
  focus_window(w);
  w.cmdGoToFav.set_sensitive(true);
  w.List1.grab_focus();

  std::vector<std::string> order{control_name_of(w.get_focus())};
  for (int i = 0; i < 3; ++i) {
    test::press_key(w, GDK_KEY_Tab);
    order.push_back(control_name_of(w.get_focus()));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"List1", "cmdClose", "cmdRemove", "cmdGoToFav"}));
}

TEST_F(FavWindow, FirstUseOpensEmptyWithGoToUrlDisabled) {
  frmFav& w = shown();
  EXPECT_TRUE(w.get_visible());
  EXPECT_EQ(w.items().count(), 0U);
  EXPECT_FALSE(w.cmdGoToFav.get_sensitive());
  EXPECT_EQ(w.file_read, Module1::FileRead::kMissing);
  EXPECT_FALSE(std::filesystem::exists(host.favorites_file())) << "loading creates no file";
}

TEST_F(FavWindow, ShowingAgainKeepsOneWindowAndItsList) {
  write_file("a\r\nb\r\n");
  frmFav& w = shown();
  write_file("changed on disk\r\n");
  show_favorites(host);
  w.hide();
  show_favorites(host);
  EXPECT_EQ(host.windows_created, 1);
  EXPECT_EQ(host.favorites_window(), &w);
  EXPECT_TRUE(w.get_visible());
  EXPECT_EQ(entries(w), (Strings{"a", "b"})) << "the file is read on load only";
}

TEST_F(FavWindow, OnlyTheUsersSelectionEnablesGoToUrl) {
  write_file("a\r\nb\r\nc\r\n");
  frmFav& w = shown();
  // Taking the focus selects nothing, as with a list box.
  focus_window(w);
  w.List1.grab_focus();
  test::press_key(w, GDK_KEY_Tab);
  test::press_key(w, GDK_KEY_Tab);
  w.List1.child_focus(Gtk::DIR_TAB_FORWARD);
  test::flush_events();
  EXPECT_EQ(w.selected_index(), std::nullopt);
  EXPECT_FALSE(w.cmdGoToFav.get_sensitive());

  // An arrow key selects.
  w.List1.grab_focus();
  test::press_key(w.List1, GDK_KEY_Down);
  EXPECT_TRUE(w.selected_index().has_value());
  EXPECT_TRUE(w.cmdGoToFav.get_sensitive());
}

TEST_F(FavWindow, ASelectionEnablesGoToUrlAndOpeningLoadsInTheFirstWindow) {
  write_file("www.one.test\r\nftp://two.test/x y\r\n");
  frmFav& w = shown();
  select(w, 1);
  ASSERT_TRUE(w.cmdGoToFav.get_sensitive());
  w.cmdGoToFav.clicked();
  EXPECT_EQ(host.first->cboURL_entry().get_text(), "ftp://two.test/x y");
  const auto navigations = first_web().calls_of("Navigate");
  ASSERT_EQ(navigations.size(), 1U);
  EXPECT_EQ(navigations[0].text, "ftp://two.test/x y") << "no scheme put in front";
  EXPECT_FALSE(w.get_visible());
  EXPECT_EQ(host.favorites_window(), &w) << "hidden, still loaded";

  // A double-click does the same.
  shown();
  select(w, 0);
  w.List1.row_activated(Gtk::TreePath("0"), *w.List1.get_column(0));
  EXPECT_EQ(first_web().calls_of("Navigate").back().text, "www.one.test");
  EXPECT_EQ(host.first->cboURL_entry().get_text(), "www.one.test");
  EXPECT_FALSE(w.get_visible());
}

TEST_F(FavWindow, OpeningWithNothingSelectedDoesNothing) {
  write_file("a\r\nb\r\n");
  frmFav& w = shown();
  select(w, 0);
  w.cmdRemove.clicked();
  ASSERT_EQ(w.selected_index(), std::nullopt);
  EXPECT_TRUE(w.cmdGoToFav.get_sensitive()) << "Remove leaves Go to Url as it was";
  w.cmdGoToFav.clicked();
  EXPECT_TRUE(first_web().calls_of("Navigate").empty());
  EXPECT_EQ(host.first->cboURL_entry().get_text(), "");
  EXPECT_TRUE(w.get_visible());
}

TEST_F(FavWindow, AFailingBrowserControlStillHidesTheWindow) {
  write_file("www.x.test\r\n");
  frmFav& w = shown();
  first_web().refused.insert("Navigate");
  select(w, 0);
  w.cmdGoToFav.clicked();
  EXPECT_EQ(host.first->cboURL_entry().get_text(), "www.x.test");
  EXPECT_FALSE(w.get_visible());
}

TEST_F(FavWindow, RemoveThenCloseRewritesTheFile) {
  write_file("a\r\nb\r\nc\r\n");
  frmFav& w = shown();
  w.cmdRemove.clicked();  // nothing selected: nothing happens
  EXPECT_EQ(entries(w), (Strings{"a", "b", "c"}));
  select(w, 1);
  w.cmdRemove.clicked();
  EXPECT_EQ(entries(w), (Strings{"a", "c"}));
  EXPECT_EQ(file(), "a\r\nb\r\nc\r\n") << "Remove writes nothing";
  w.cmdClose.clicked();
  EXPECT_EQ(file(), "a\r\nc\r\n");
  EXPECT_EQ(host.favorites_window(), nullptr);
  EXPECT_FALSE(host.unloaded.back()->get_visible());
}

TEST_F(FavWindow, RemovingEveryEntryAndClosingEmptiesTheFile) {
  write_file("a\r\nb\r\n");
  frmFav& w = shown();
  for (int i = 0; i < 2; ++i) {
    select(w, 0);
    w.cmdRemove.clicked();
  }
  w.cmdClose.clicked();
  EXPECT_EQ(file(), "") << "the deleted favourites must not come back";
  shown();
  EXPECT_EQ(host.favorites_window()->items().count(), 0U);
}

TEST_F(FavWindow, CloseWithoutAFileWritesOnlyAChangedList) {
  frmFav& w = shown();
  w.cmdClose.clicked();
  EXPECT_FALSE(std::filesystem::exists(host.favorites_file()));

  frmFav& again = shown();
  again.items().add_item("www.added.test");
  again.changed = true;
  again.cmdClose.clicked();
  EXPECT_EQ(file(), "www.added.test\r\n");
}

TEST_F(FavWindow, CloseNeverWritesOverAFileItCouldNotRead) {
  // Something stands at fav.Dat that cannot be read as a file.
  ASSERT_EQ(::mkfifo(host.favorites_file().c_str(), 0600), 0);
  frmFav& w = shown();
  EXPECT_EQ(w.file_read, Module1::FileRead::kUnreadable);
  EXPECT_EQ(w.items().count(), 0U);
  w.items().add_item("www.new.test");
  w.changed = true;
  save_favorites_at_end(host);
  w.cmdClose.clicked();
  struct stat info {};
  ASSERT_EQ(::stat(host.favorites_file().c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "left as it was";
}

TEST_F(FavWindow, TheEndOfTheProgramSavesChangesOnly) {
  // Written in a form that a save would change.
  write_file("a\nb");
  frmFav& w = shown();
  save_favorites_at_end(host);
  EXPECT_EQ(file(), "a\nb") << "an unchanged window writes nothing";

  select(w, 0);
  w.cmdRemove.clicked();
  w.hide();
  save_favorites_at_end(host);
  EXPECT_EQ(file(), "b\r\n");
}

TEST_F(FavWindow, ALongListWithAHugeLineLoadsScrollsAndOpens) {
  std::string bytes;
  for (int i = 0; i < 300000; ++i) bytes += "http://h" + std::to_string(i) + ".test\r\n";
  bytes += std::string(10U << 20U, 'y');  // and one line of 10 MB, last
  write_file(bytes);
  frmFav& w = shown();
  ASSERT_EQ(w.items().count(), 300001U);
  EXPECT_EQ(w.items().item(299999), "http://h299999.test");
  // Drawn at the end of the list, where the huge line is.
  auto adjustment = w.List1_frame().get_vadjustment();
  adjustment->set_value(adjustment->get_upper());
  test::flush_events();
  select(w, 300000);
  w.cmdGoToFav.clicked();
  EXPECT_EQ(first_web().calls_of("Navigate").back().text.bytes(), 10U << 20U);
}

TEST_F(FavWindow, EntriesTheUserKeptGoBackByteForByte) {
  const std::string kept_1252 = "caf\xE9.test\r\n";
  const std::string kept_nul = std::string("a\0b.test\r\n", 10);
  write_file(
      "\xEF\xBB\xBF"
      "first.test\r\n" +
      kept_1252 + "gone.test\r\n" + kept_nul);
  frmFav& w = shown();
  EXPECT_EQ(entries(w), (Strings{"first.test", "café.test", "gone.test", "a\uFFFDb.test"}));
  select(w, 2);
  w.cmdRemove.clicked();
  w.items().add_item("www.ünï.test");
  w.cmdClose.clicked();
  EXPECT_EQ(file(),
            "\xEF\xBB\xBF"
            "first.test\r\n" +
                kept_1252 + kept_nul + "www.ünï.test\r\n");
}

// Counts what the list's accessible object announces about its children.
class ChildrenChanges {
 public:
  ChildrenChanges()
      : signal_(g_signal_lookup("children-changed", ATK_TYPE_OBJECT)),
        hook_(g_signal_add_emission_hook(signal_, 0, count, this, nullptr)) {}
  ChildrenChanges(const ChildrenChanges&) = delete;
  ChildrenChanges& operator=(const ChildrenChanges&) = delete;
  ChildrenChanges(ChildrenChanges&&) = delete;
  ChildrenChanges& operator=(ChildrenChanges&&) = delete;
  ~ChildrenChanges() { g_signal_remove_emission_hook(signal_, hook_); }
  int seen = 0;

 private:
  static gboolean count(GSignalInvocationHint*, guint, const GValue*, gpointer self) {
    ++static_cast<ChildrenChanges*>(self)->seen;
    return TRUE;
  }
  guint signal_;
  gulong hook_;
};

TEST_F(FavWindow, AScreenReaderReadsTheRowsAndHearsNoChangeRowByRow) {
  std::string bytes;
  for (int i = 0; i < 20000; ++i) bytes += "http://h" + std::to_string(i) + ".test\r\n";
  write_file(bytes + "caf\xE9.test\r\n");
  const ChildrenChanges changes;
  frmFav& w = shown();
  AtkObject* list = w.List1.get_accessible()->gobj();
  ASSERT_EQ(atk_object_get_n_accessible_children(list), 20002) << "a header and 20001 rows";
  auto read_row = [list](int row) {
    AtkObject* cell = atk_object_ref_accessible_child(list, row + 1);
    std::string text;
    if (cell != nullptr && ATK_IS_TEXT(cell)) {
      gchar* got = atk_text_get_text(ATK_TEXT(cell), 0, -1);
      text = got != nullptr ? got : "";
      g_free(got);
    }
    if (cell != nullptr) g_object_unref(cell);
    return text;
  };
  EXPECT_EQ(read_row(1), "http://h1.test");
  EXPECT_EQ(read_row(20000), "café.test");

  // Keys move through the list and Enter opens the entry.
  focus_window(w);
  w.List1.grab_focus();
  test::press_key(w.List1, GDK_KEY_End);
  EXPECT_EQ(w.selected_index(), 20000U);
  test::press_key(w.List1, GDK_KEY_Up);
  EXPECT_EQ(w.selected_index(), 19999U);
  w.cmdRemove.clicked();
  EXPECT_EQ(read_row(19999), "café.test");
  test::press_key(w.List1, GDK_KEY_Home);
  test::press_key(w.List1, GDK_KEY_Down);
  test::press_key(w.List1, GDK_KEY_Return);
  EXPECT_EQ(first_web().calls_of("Navigate").back().text, "http://h1.test");

  shown();
  w.cmdClose.clicked();
  host.unloaded.clear();
  EXPECT_LT(changes.seen, 100) << "the rows were announced one by one";
}

}  // namespace
}  // namespace kv
