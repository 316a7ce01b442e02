// Full screen in a main window of the program, on the real engine.
#include <gtest/gtest.h>
#include <gtkmm/fixed.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "app/program.h"
#include "browser/form1.h"
#include "engine/control/webkit_browser.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/screen_pixels.h"
#include "support/scripted_desktop_services.h"
#include "support/temp_dir.h"
#include "support/widget_events.h"

// Last: X11's headers define None and Bool, which GoogleTest's own headers use.
#include <gdk/gdkx.h>

namespace kv {
namespace {

struct Place {
  bool shown;
  int x, y, width, height;
  bool operator==(const Place&) const = default;
};

// Where every control of the window is, relative to the window.
std::map<Gtk::Widget*, Place> layout_of(Form1& form) {
  std::map<Gtk::Widget*, Place> places;
  std::vector<Gtk::Widget*> widgets{&form.menu_bar};
  for (Gtk::Widget* child : form.wWeb.widget().get_parent()->get_children()) {
    widgets.push_back(child);
  }
  for (Gtk::Widget* widget : widgets) {
    int x = 0;
    int y = 0;
    widget->translate_coordinates(form, 0, 0, x, y);
    places[widget] = {widget->get_visible(), x, y, widget->get_allocated_width(),
                      widget->get_allocated_height()};
  }
  return places;
}

// A key pressed on the display's keyboard, into `form`, as a user's.
bool press_key(Form1& form, const char* key) {
  const std::string window = std::to_string(GDK_WINDOW_XID(form.get_window()->gobj()));
  for (std::vector<const char*> args :
       {std::vector<const char*>{"windowfocus", "--sync"}, std::vector<const char*>{"key"}}) {
    std::vector<gchar*> argv{const_cast<gchar*>("xdotool")};
    for (const char* arg : args) argv.push_back(const_cast<gchar*>(arg));
    argv.push_back(const_cast<gchar*>(args.size() == 2 ? window.c_str() : key));
    argv.push_back(nullptr);
    gint status = 0;
    if (g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr,
                     nullptr, &status, nullptr) == FALSE ||
        g_spawn_check_wait_status(status, nullptr) == FALSE) {
      return false;
    }
  }
  test::flush_events();
  return true;
}

std::string proc_field(const std::string& pid, const std::string& file, const char* prefix) {
  std::ifstream in("/proc/" + pid + "/" + file);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(prefix, 0) == 0) return line.substr(std::string(prefix).size());
  }
  return "";
}

// The web processes that this program started, inside their sandboxes.
std::set<int> web_processes() {
  std::set<int> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string pid = entry.path().filename();
    if (proc_field(pid, "comm", "") != "WebKitWebProces") continue;
    for (std::string at = pid; !at.empty() && at != "0" && at != "1";
         at = proc_field(at, "status", "PPid:\t")) {
      if (at == std::to_string(::getpid())) found.insert(std::stoi(pid));
    }
  }
  return found;
}

Gtk::Widget* named(Gtk::Widget& root, const char* name) {
  std::vector<Gtk::Widget*> widgets;
  test::collect_widgets(root, widgets);
  for (Gtk::Widget* widget : widgets) {
    if (widget->get_name() == name) return widget;
  }
  return nullptr;
}

class FullScreenInTheProgram : public ::testing::Test {
 protected:
  // Clicks the page's button and waits until the page has the screen.
  static void take_screen(Form1& form) {
    test::click(dynamic_cast<WebKitBrowser&>(form.wWeb), 50, 50);
    ASSERT_TRUE(test::run_until([&] { return !form.menu_bar.get_visible(); }));
  }

  Form1& open_page() {
    server.add_page("/video.html",
                    "<title>Video</title><button id='b' style='position:absolute;left:0;top:0;"
                    "width:300px;height:200px' onclick='document.documentElement"
                    ".requestFullscreen()'>Full screen</button>"
                    // A page that would keep the screen.
                    "<script>document.exitFullscreen = () => Promise.resolve();"
                    "addEventListener('keydown', e => e.preventDefault(), true);</script>");
    Form1& form = program.open_first_main_window();
    EXPECT_TRUE(test::run_until([&] { return form.lblStatus.get_text() == "Done"; }));
    form.cboURL_entry().set_text(server.url("/video.html"));
    form.cmdGo.clicked();
    EXPECT_TRUE(test::run_until(
        [&] { return form.get_title() == "Video" && form.lblStatus.get_text() == "Done"; }));
    return form;
  }

  test::LocalServer server;
  test::TempDir folder;
  test::ScriptedDesktopServices services;
  WebKitBrowserFactory browsers;
  Program program{services, browsers, folder.path(), [] {}};
};

TEST_F(FullScreenInTheProgram, F11PutsTheWholeWindowInFullScreenAndBack) {
  // Only a window manager makes a shown window full screen.
  if (gdk_x11_screen_supports_net_wm_hint(
          gdk_screen_get_default(), gdk_atom_intern_static_string("_NET_WM_STATE_FULLSCREEN")) ==
      FALSE) {
    GTEST_SKIP() << "no window manager on the test display";
  }
  Form1& form = open_page();
  const auto full = [&] {
    return (form.get_window()->get_state() & Gdk::WINDOW_STATE_FULLSCREEN) != 0;
  };
  ASSERT_FALSE(full());
  ASSERT_TRUE(press_key(form, "F11"));
  ASSERT_TRUE(test::run_until(full));
  // The window keeps its controls.
  EXPECT_TRUE(form.cmdBack.get_visible());
  EXPECT_TRUE(form.menu_bar.get_visible());
  ASSERT_TRUE(press_key(form, "F11"));
  EXPECT_TRUE(test::run_until([&] { return !full(); }));
}

TEST_F(FullScreenInTheProgram, APageTakesTheScreenAloneAndEscapeRestoresTheLayoutToThePixel) {
  Form1& form = open_page();
  const auto before = layout_of(form);
  auto& web = dynamic_cast<WebKitBrowser&>(form.wWeb);
  test::click(web, 50, 50);
  Gtk::Widget& page = form.wWeb.widget();
  ASSERT_TRUE(test::run_until([&] {
    int x = -1;
    int y = -1;
    page.translate_coordinates(form, 0, 0, x, y);
    return x == 0 && y == 0 && page.get_allocated_width() >= form.get_allocated_width() &&
           page.get_allocated_height() >= form.get_allocated_height();
  }));
  for (const auto& [widget, place] : layout_of(form)) {
    if (widget != &page) {
      EXPECT_FALSE(place.shown) << widget->get_name();
    }
  }
  // F11 is the window's, not the page's: the page keeps the screen.
  ASSERT_TRUE(press_key(form, "F11"));
  EXPECT_FALSE(form.menu_bar.get_visible());
  ASSERT_TRUE(press_key(form, "Escape"));
  ASSERT_TRUE(test::run_until([&] { return layout_of(form) == before; }));
  EXPECT_TRUE(form.cmdBack.get_visible());
  EXPECT_TRUE(form.menu_bar.get_visible());
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

TEST_F(FullScreenInTheProgram, TheNoticeOverAPageInFullScreenNamesItsSiteAndGoes) {
  Form1& form = open_page();
  auto* notice = named(form, "FullScreenNotice");
  auto* site = dynamic_cast<Gtk::Label*>(named(form, "lblFullScreenSite"));
  ASSERT_TRUE(notice != nullptr && site != nullptr);
  EXPECT_FALSE(notice->get_mapped());
  take_screen(form);
  ASSERT_TRUE(test::run_until([&] { return notice->get_mapped(); }));
  const auto shown = std::chrono::steady_clock::now();
  EXPECT_EQ(site->get_text(), "127.0.0.1:" + std::to_string(server.port()));
  // At the top of the screen, and drawn there over the page's white.
  EXPECT_TRUE(test::run_until([&] {
    int x = 0;
    int y = 0;
    notice->translate_coordinates(form, 0, 0, x, y);
    return y < 50;
  }));
  ASSERT_TRUE(test::run_until(
      [&] { return test::screen_pixel(*notice, 4, notice->get_allocated_height() / 2)[0] < 100; }));
  EXPECT_TRUE(test::run_until([&] { return !notice->get_mapped(); }, std::chrono::seconds(10)));
  EXPECT_GE(std::chrono::steady_clock::now() - shown, std::chrono::seconds(3));
  EXPECT_FALSE(form.menu_bar.get_visible()) << "the page keeps the screen";
}

// A site's question is still seen over a page that has the screen: above it, on the
// screen, and covering none of it.
TEST_F(FullScreenInTheProgram, AQuestionShowsAboveAPageThatHasTheScreen) {
  Form1& form = open_page();
  take_screen(form);
  auto& web = dynamic_cast<WebKitBrowser&>(form.wWeb);
  test::eval_js(web.view(), "navigator.geolocation.getCurrentPosition(() => 0, () => 0); 0");
  Gtk::Widget* bar = nullptr;
  ASSERT_TRUE(test::run_until([&] {
    bar = named(form, "PermissionQuestion");
    return bar != nullptr && bar->get_mapped() && bar->get_allocated_height() > 1;
  }));
  int bar_x = 0;
  int bar_y = 0;
  int page_x = 0;
  int page_y = 0;
  EXPECT_TRUE(test::run_until([&] {
    bar->translate_coordinates(form, 0, 0, bar_x, bar_y);
    gtk_widget_translate_coordinates(GTK_WIDGET(web.view()), GTK_WIDGET(form.gobj()), 0, 0, &page_x,
                                     &page_y);
    return bar_y == 0 && page_y == bar->get_allocated_height();
  })) << "bar at "
      << bar_y << ", page at " << page_y;
  EXPECT_FALSE(form.menu_bar.get_visible()) << "the page keeps the screen";
}

TEST_F(FullScreenInTheProgram, AClosedWindowThatHadTheScreenEndsItsWebProcess) {
  Form1& first = open_page();
  const std::set<int> before = web_processes();
  Form1& second = program.open_main_window(server.url("/video.html"));
  ASSERT_TRUE(test::run_until(
      [&] { return second.get_title() == "Video" && second.lblStatus.get_text() == "Done"; }));
  std::set<int> its_own;
  for (int pid : web_processes()) {
    if (before.count(pid) == 0) its_own.insert(pid);
  }
  ASSERT_FALSE(its_own.empty());
  take_screen(second);
  ASSERT_TRUE(press_key(second, "Escape"));
  ASSERT_TRUE(test::run_until([&] { return second.menu_bar.get_visible(); }));
  test::close_box(second);
  EXPECT_TRUE(test::run_until(
      [&] {
        return std::none_of(its_own.begin(), its_own.end(), [](int pid) {
          return std::filesystem::exists("/proc/" + std::to_string(pid));
        });
      },
      std::chrono::seconds(10)));
  // The engine goes on loading pages in the windows left.
  for (const char* title : {"One", "Two"}) {
    server.add_page(std::string("/") + title, std::string("<title>") + title + "</title>");
    first.cboURL_entry().set_text(server.url(std::string("/") + title));
    first.cmdGo.clicked();
    EXPECT_TRUE(test::run_until(
        [&] { return first.get_title() == title && first.lblStatus.get_text() == "Done"; }));
  }
}

}  // namespace
}  // namespace kv
