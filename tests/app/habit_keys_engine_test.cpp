// The keys and mouse buttons users bring from other browsers, in main windows of the
// real program object on the real engine, with pages served from 127.0.0.1.
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <map>

#include "app/program.h"
#include "browser/form1.h"
#include "engine/control/webkit_browser.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/scripted_desktop_services.h"
#include "support/temp_dir.h"
#include "support/widget_events.h"

// Last: X11's headers define None and Bool, which GoogleTest's own headers use.
#include <gdk/gdkx.h>

namespace kv {
namespace {

constexpr auto kCtrl = GDK_CONTROL_MASK;
constexpr auto kAlt = GDK_MOD1_MASK;
constexpr auto kNone = static_cast<GdkModifierType>(0);
using Counts = std::map<std::string, int>;

// The display's own mouse: moved to (x, y) of the form's page, then (with a button)
// clicked there with `keys` held.
bool mouse(Form1& form, int x, int y, const char* button = nullptr, const char* keys = nullptr) {
  int wx = 0;
  int wy = 0;
  form.wWeb.widget().translate_coordinates(form, x, y, wx, wy);
  const std::string window = std::to_string(GDK_WINDOW_XID(form.get_window()->gobj()));
  std::string command =
      "xdotool mousemove --window " + window + " " + std::to_string(wx) + " " + std::to_string(wy);
  if (button != nullptr) {
    command += keys != nullptr ? std::string(" keydown ") + keys : "";
    command += std::string(" click ") + button;
    command += keys != nullptr ? std::string(" keyup ") + keys : "";
  }
  gint status = 0;
  return g_spawn_command_line_sync(command.c_str(), nullptr, nullptr, &status, nullptr) != FALSE &&
         g_spawn_check_wait_status(status, nullptr) != FALSE;
}

class HabitKeys : public ::testing::Test {
 protected:
  test::PointerPutBack pointer_put_back;
  void SetUp() override {
    server.add_page("/a.html", "<title>Page A</title>");
    server.add_page("/b.html", "<title>Page B</title>");
    server.add_page("/slow.html", "<title>Slow</title>", "text/html", std::chrono::seconds(10));
    server.add_page("/links.html",
                    "<title>Links</title><a href='/b.html' style='position:absolute;left:0;"
                    "top:0;width:400px;height:300px'>a link</a>");
    form = &program.open_first_main_window();
    EXPECT_TRUE(test::run_until([&] { return form->lblStatus.get_text() == "Done"; }));
  }

  bool go(const std::string& path, const Glib::ustring& title) {
    form->cboURL_entry().set_text(server.url(path));
    form->cmdGo.clicked();
    return shows(*form, title);
  }

  static bool shows(Form1& form, const Glib::ustring& title) {
    return test::run_until(
        [&] { return form.get_title() == title && form.lblStatus.get_text() == "Done"; });
  }

  void count(Gtk::Button& button, std::string name) {
    button.signal_clicked().connect([this, name] { ++counts[name]; });
  }
  void count(Gtk::MenuItem& item, std::string name) {
    item.signal_activate().connect([this, name] { ++counts[name]; });
  }

  test::LocalServer server;
  test::TempDir folder;
  test::ScriptedDesktopServices services;
  WebKitBrowserFactory browsers;
  Program program{services, browsers, folder.path(), [] {}};
  Form1* form = nullptr;
  Counts counts;
};

TEST_F(HabitKeys, KeysPressTheButtonsAndFillTheBoxesTheyName) {
  ASSERT_TRUE(go("/a.html", "Page A") && go("/b.html", "Page B"));
  for (auto* button : {&form->cmdBack, &form->cmdForward, &form->cmdHome, &form->cmdStop}) {
    count(*button, button->get_name());
  }
  test::press_key(*form, GDK_KEY_Left, kAlt);
  EXPECT_TRUE(shows(*form, "Page A"));
  test::press_key(*form, GDK_KEY_Right, kAlt);
  EXPECT_TRUE(shows(*form, "Page B"));
  test::press_key(*form, GDK_KEY_Escape, kNone);  // nothing loads: not Stop's
  form->cboURL_entry().set_text(server.url("/slow.html"));
  form->cmdGo.clicked();
  ASSERT_TRUE(test::run_until([&] { return form->wWeb.Busy(); }));
  test::press_key(*form, GDK_KEY_Escape, kNone);
  EXPECT_TRUE(test::run_until([&] { return !form->wWeb.Busy(); }));
  test::press_key(*form, GDK_KEY_Home, kAlt);
  EXPECT_EQ(counts, (Counts{{"cmdBack", 1}, {"cmdForward", 1}, {"cmdHome", 1}, {"cmdStop", 1}}));

  for (auto [key, mods, box] : {std::tuple{GDK_KEY_l, kCtrl, &form->cboURL_entry()},
                                std::tuple{GDK_KEY_d, kAlt, &form->cboURL_entry()},
                                std::tuple{GDK_KEY_F6, kNone, &form->cboURL_entry()},
                                std::tuple{GDK_KEY_k, kCtrl, &form->txtSearch},
                                std::tuple{GDK_KEY_e, kCtrl, &form->txtSearch}}) {
    form->wWeb.SetFocus();
    box->set_text("typed");
    test::press_key(*form, key, mods);
    int start = 0;
    int end = 0;
    EXPECT_TRUE(box->is_focus() && box->get_selection_bounds(start, end) && end - start == 5)
        << key;
  }
}

TEST_F(HabitKeys, KeysActivateTheMenuItemsTheyNameAndTheMenusKeepTheirOwn) {
  ASSERT_TRUE(go("/a.html", "Page A"));
  for (auto* item : {&form->mnuEditFind, &form->mnuViewRefresh, &form->mnuFavoritesAddFavorites,
                     &form->mnuEditSelectAll}) {
    count(*item, item->get_name());
  }
  for (auto [key, mods] :
       {std::pair{GDK_KEY_f, kCtrl}, std::pair{GDK_KEY_r, kCtrl}, std::pair{GDK_KEY_d, kCtrl},
        std::pair{GDK_KEY_F5, kNone}, std::pair{GDK_KEY_a, kCtrl}}) {
    test::press_key(*form, key, mods);
  }
  EXPECT_EQ(counts, (Counts{{"mnuEditFind", 1},
                            {"mnuViewRefresh", 2},
                            {"mnuFavoritesAddFavorites", 1},
                            {"mnuEditSelectAll", 1}}));
}

TEST_F(HabitKeys, CtrlWClosesItsOwnWindowOnlyAsTheCloseBoxDoes) {
  Form1& second = program.open_main_window(server.url("/a.html"));
  ASSERT_TRUE(shows(second, "Page A"));
  test::press_key(second, GDK_KEY_w, kCtrl);
  EXPECT_TRUE(test::run_until([&] { return !second.get_visible(); }));
  EXPECT_TRUE(form->get_visible());
  EXPECT_FALSE(program.ended());
}

TEST_F(HabitKeys, TextSizeKeysStepFromTheEnginesSizeThroughTheMenu) {
  ASSERT_TRUE(go("/a.html", "Page A"));
  form->mnuViewTextSizeFont.at(4).activate();  // Smallest
  ASSERT_EQ(form->wWeb.TextSize(), 0);
  for (std::size_t i = 0; i < form->mnuViewTextSizeFont.size(); ++i) {
    count(form->mnuViewTextSizeFont.at(i), std::to_string(i));
  }
  std::vector<std::int32_t> sizes;
  for (guint key : {GDK_KEY_plus, GDK_KEY_plus, GDK_KEY_KP_Add, GDK_KEY_equal, GDK_KEY_plus,
                    GDK_KEY_0, GDK_KEY_minus}) {
    test::press_key(*form, key, kCtrl);
    sizes.push_back(form->wWeb.TextSize());
  }
  // Nothing past Largest; Medium, then one smaller. The menu lists the largest first.
  EXPECT_EQ(sizes, (std::vector<std::int32_t>{1, 2, 3, 4, 4, 2, 1}));
  EXPECT_EQ(counts, (Counts{{"3", 2}, {"2", 2}, {"1", 1}, {"0", 1}}));
}

TEST_F(HabitKeys, MouseBackAndForwardButtonsOverThePage) {
  ASSERT_TRUE(go("/a.html", "Page A") && go("/b.html", "Page B"));
  ASSERT_TRUE(mouse(*form, 100, 100, "8"));
  EXPECT_TRUE(shows(*form, "Page A"));
  ASSERT_TRUE(mouse(*form, 100, 100, "9"));
  EXPECT_TRUE(shows(*form, "Page B"));
}

TEST_F(HabitKeys, ALinkClickedForANewWindowOpensOneWhateverThePopupButtonSays) {
  ASSERT_EQ(form->cmdPopups.get_label(), "Pop-ups Disabled");
  ASSERT_TRUE(go("/links.html", "Links"));
  const Glib::ustring link = server.url("/b.html");
  for (auto [button, keys] : {std::pair<const char*, const char*>{"2", nullptr},
                              std::pair{"1", "ctrl"}, std::pair{"1", "shift"}}) {
    // Off the link and back, so that the engine names the link under the pointer.
    ASSERT_TRUE(mouse(*form, 600, 500));
    ASSERT_TRUE(test::run_until([&] { return form->lblStatus.get_text() != link; }));
    ASSERT_TRUE(mouse(*form, 100, 100));
    ASSERT_TRUE(test::run_until([&] { return form->lblStatus.get_text() == link; }));
    ASSERT_TRUE(mouse(*form, 100, 100, button, keys));
    ASSERT_TRUE(test::run_until([&] { return program.main_window_count() == 2; })) << button;
    Form1& opened = program.main_window(1);
    EXPECT_TRUE(shows(opened, "Page B") && opened.get_visible()) << button;
    EXPECT_EQ(form->get_title(), "Links");
    test::close_box(opened);  // out of the next click's way
    ASSERT_TRUE(test::run_until([&] { return program.main_window_count() == 1; }));
  }
}

TEST_F(HabitKeys, APageMakingUpTheKeysAndClicksOpensAndClosesNothing) {
  // The tries run in the handler of a real click, so that the page has the user's gesture.
  server.add_page(
      "/abuse.html",
      "<title>Abuse</title><a id='l' href='/b.html'>a link</a><div style='position:absolute;"
      "left:0;top:0;width:400px;height:300px' onclick=\"for (const init of [{key: 'w', "
      "ctrlKey: true}, {key: 'ArrowLeft', altKey: true}]) for (const type of ['keydown', "
      "'keyup']) document.dispatchEvent(new KeyboardEvent(type, init)); for (const init of "
      "[{button: 1}, {ctrlKey: true}, {shiftKey: true}]) for (const type of ['mousedown', "
      "'mouseup', 'auxclick', 'click']) l.dispatchEvent(new MouseEvent(type, {...init, "
      "bubbles: true, cancelable: true}));\"></div>");
  ASSERT_TRUE(go("/a.html", "Page A") && go("/abuse.html", "Abuse"));
  count(form->cmdBack, "cmdBack");
  count(form->mnuViewGoToBack, "mnuViewGoToBack");
  ASSERT_TRUE(mouse(*form, 100, 100, "1"));
  // What the made-up clicks leave is the page's own navigation, in its own window.
  ASSERT_TRUE(shows(*form, "Page B"));
  ASSERT_TRUE(go("/links.html", "Links"));  // whatever the tries started has come by now
  EXPECT_EQ(program.main_window_count(), 1U);
  EXPECT_TRUE(counts.empty());
  EXPECT_TRUE(form->get_visible() && !program.ended());
}

}  // namespace
}  // namespace kv
