// The address box's suggestions in a main window of the real program object on the real
// engine, with pages served from 127.0.0.1 and the history of an earlier run on disk.
#include <gdk/gdkkeysyms.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <gtkmm/listbox.h>

#include <algorithm>
#include <filesystem>

#include "app/program.h"
#include "browser/form1.h"
#include "browser/suggestion_list.h"
#include "desktop/user_paths.h"
#include "engine/control/webkit_browser.h"
#include "shell/history_store.h"
#include "shell/shell_folders.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/scripted_desktop_services.h"
#include "support/temp_dir.h"
#include "support/widget_events.h"

namespace kv {
namespace {

class AddressSuggestions : public ::testing::Test {
 protected:
  void SetUp() override {
    // An earlier run's visits, recorded by a store of its own as that run's was.
    HistoryStore earlier(history_database_path());
    for (const auto& [path, title] :
         {std::pair{"/kestrel.html", "Kestrel Sightings"}, std::pair{"/heron-1.html", "Grey Heron"},
          std::pair{"/heron-2.html", "Purple Heron"}}) {
      server.add_page(path, std::string("<title>") + title + "</title>");
      ASSERT_NE(earlier.record(server.url(path), title,
                               HistoryStore::Clock::now() - std::chrono::hours(20)),
                0);
    }
    form = &program.open_first_main_window();
    ASSERT_TRUE(test::run_until([&] { return form->lblStatus.get_text() == "Done"; }));
    // The pointer over the window, below where the list drops down: without a window
    // manager the keyboard focus follows it, and a list under it would take the focus.
    int x = 0;
    int y = 0;
    form->get_window()->get_origin(x, y);
    GdkDevice* pointer =
        gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
    gdk_device_warp(pointer, gdk_screen_get_default(), x + 20, y + form->get_height() - 20);
    ASSERT_TRUE(test::run_until([&] { return form->is_active(); }));
    list = suggestion_list();
    ASSERT_NE(list, nullptr);
  }

  // The window's list: the one there is, with one main window open.
  static SuggestionList* suggestion_list() {
    const auto lists = test::windows_of<SuggestionList>();
    return lists.size() == 1 ? lists.front() : nullptr;
  }

  // Types `text` into the empty address box key by key, as the user does.
  void type(const std::string& text) {
    form->cboURL_entry().grab_focus();
    for (const char c : text) test::press_key(*form, gdk_unicode_to_keyval(c));
  }

  bool shown(const std::string& address) const {
    return std::any_of(list->rows().begin(), list->rows().end(),
                       [&](const Suggestion& row) { return row.address == address; });
  }
  // The list shows these among others (the history holds pages of earlier tests).
  bool lists_too(const std::vector<std::string>& addresses) {
    return test::run_until([&] {
      return list->get_visible() &&
             std::all_of(addresses.begin(), addresses.end(),
                         [&](const std::string& address) { return shown(address); });
    });
  }

  test::PointerPutBack pointer_put_back;
  test::LocalServer server;
  test::TempDir folder;
  test::ScriptedDesktopServices services;
  WebKitBrowserFactory browsers;
  Program program{services, browsers, folder.path(), [] {}};
  Form1* form = nullptr;
  SuggestionList* list = nullptr;
};

TEST_F(AddressSuggestions, APageOfAnEarlierRunIsFoundByAWordOfItsTitleAndLoadedByDownAndEnter) {
  const std::string kestrel = server.url("/kestrel.html");
  type("sight");
  ASSERT_TRUE(lists_too({kestrel}));
  EXPECT_EQ(form->cboURL_entry().get_text(), "sight");  // nothing chosen yet
  for (std::size_t i = 0; i < list->rows().size() && form->cboURL_entry().get_text() != kestrel;
       ++i) {
    test::press_key(*form, GDK_KEY_Down);
  }
  EXPECT_EQ(form->cboURL_entry().get_text(), kestrel);
  test::press_key(*form, GDK_KEY_Return);
  EXPECT_FALSE(list->get_visible());
  EXPECT_TRUE(test::run_until([&] { return form->get_title() == "Kestrel Sightings"; }));
  // The page's address that the program puts in the box opens nothing.
  EXPECT_TRUE(test::run_until([&] { return form->lblStatus.get_text() == "Done"; }));
  form->cboURL_entry().set_text("sight");
  test::run_until([] { return false; }, std::chrono::milliseconds(300));
  EXPECT_FALSE(list->get_visible());

  // Enter with no row chosen is Go, as it always was: the text by Go's rule, and listed.
  form->cboURL_entry().set_text("");
  type("sight");
  ASSERT_TRUE(lists_too({kestrel}));
  test::press_key(*form, GDK_KEY_Return);
  EXPECT_FALSE(list->get_visible());
  const auto typed = form->cboURL.get_model()->children();
  ASSERT_EQ(typed.size(), 2U);
  Glib::ustring last;
  typed[1].get_value(form->cboURL.get_entry_text_column(), last);
  EXPECT_EQ(last, "sight");
  EXPECT_TRUE(test::run_until([&] { return form->wWeb.LocationURL() == "http://sight/"; }));
}

TEST_F(AddressSuggestions, FavouritesAreFoundByPartOfTheirAddressAndAClickGoesThere) {
  const std::string kept = "127.0.0.1:" + std::to_string(server.port()) + "/kept-in-fav-dat.html";
  server.add_page("/kept-in-fav-dat.html", "<title>Kept</title>");
  ASSERT_TRUE(
      g_file_set_contents(program.favorites_file().c_str(), (kept + "\r\n").c_str(), -1, nullptr));
  const std::string linked = server.url("/linked-from-folder.html");
  const std::string link_file = favorites_folder_path() + "/Birdwatch Club.url";
  ASSERT_TRUE(g_file_set_contents(
      link_file.c_str(), ("[InternetShortcut]\nURL=" + linked + "\n").c_str(), -1, nullptr));
  type("in-fav");
  ASSERT_TRUE(lists_too({kept}));
  form->cboURL_entry().set_text("");
  type("birdwatch");  // the link's name
  ASSERT_TRUE(lists_too({linked}));
  form->cboURL_entry().set_text("");
  type("ept-in");
  ASSERT_TRUE(lists_too({kept}));
  ASSERT_EQ(list->rows().size(), 1U);
  // A click on the row goes there, by Go's rule for the address as fav.Dat has it.
  std::vector<Gtk::Widget*> widgets;
  test::collect_widgets(*list, widgets);
  Gtk::ListBoxRow* row = nullptr;
  for (Gtk::Widget* widget : widgets) {
    if (row == nullptr) row = dynamic_cast<Gtk::ListBoxRow*>(widget);
  }
  ASSERT_NE(row, nullptr);
  row->activate();
  EXPECT_TRUE(test::run_until([&] { return form->get_title() == "Kept"; }));
  std::filesystem::remove(link_file);
}

TEST_F(AddressSuggestions, EscapePutsBackTheTypedTextAndShiftDeleteTakesAnAddressOutOfHistory) {
  const std::string one = server.url("/heron-1.html");
  const std::string two = server.url("/heron-2.html");
  type("heron");
  ASSERT_TRUE(lists_too({one, two}));
  test::press_key(*form, GDK_KEY_Down);
  test::press_key(*form, GDK_KEY_Down);
  EXPECT_EQ(form->cboURL_entry().get_text(), list->rows().at(1).address);
  test::press_key(*form, GDK_KEY_Escape);
  EXPECT_EQ(form->cboURL_entry().get_text(), "heron");
  EXPECT_FALSE(list->get_visible());

  form->cboURL_entry().set_text("");
  type("heron");
  ASSERT_TRUE(lists_too({one, two}));
  for (std::size_t i = 0; i < list->rows().size() && form->cboURL_entry().get_text() != one; ++i) {
    test::press_key(*form, GDK_KEY_Down);
  }
  ASSERT_EQ(form->cboURL_entry().get_text(), one);
  test::press_key(*form, GDK_KEY_Delete, GDK_SHIFT_MASK);
  EXPECT_FALSE(shown(one));
  EXPECT_EQ(form->cboURL_entry().get_text(), "heron");
  const auto recorded = [&](const std::string& address) {
    const HistoryReading reading =
        read_history(history_database_path(), HistoryStore::Clock::now(), 100000);
    for (const HistoryDay& day : reading.days) {
      for (const HistoryEntry& entry : day.entries) {
        if (entry.address == address) return true;
      }
    }
    return false;
  };
  EXPECT_TRUE(test::run_until([&] { return !recorded(one); }));
  EXPECT_TRUE(recorded(two));
  test::press_key(*form, GDK_KEY_Escape);
  form->cboURL_entry().set_text("");
  type("heron");
  ASSERT_TRUE(lists_too({two}));
  EXPECT_FALSE(shown(one));
}

}  // namespace
}  // namespace kv
