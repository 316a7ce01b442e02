// Full screen in a main window of the program, on the real engine.
#include <gtest/gtest.h>
#include <gtkmm/fixed.h>

#include <map>

#include "app/program.h"
#include "browser/form1.h"
#include "engine/control/webkit_browser.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/scripted_desktop_services.h"
#include "support/temp_dir.h"

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

void press_key(GtkWidget* widget, guint keyval) {
  for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    GdkEvent* event = gdk_event_new(type);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(widget)));
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    event->key.keyval = keyval;
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()),
                                          keyval, &keys, &count) != FALSE &&
        count > 0) {
      event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
    }
    g_free(keys);
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    gdk_event_set_device(event, gdk_seat_get_keyboard(seat));
    gtk_widget_event(widget, event);
    gdk_event_free(event);
  }
}

class FullScreenInTheProgram : public ::testing::Test {
 protected:
  Form1& open_page() {
    server.add_page("/video.html",
                    "<title>Video</title><button id='b' style='position:absolute;left:0;top:0;"
                    "width:300px;height:200px' onclick='document.documentElement"
                    ".requestFullscreen()'>Full screen</button>");
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
  press_key(GTK_WIDGET(form.gobj()), GDK_KEY_F11);
  test::flush_events();
  EXPECT_FALSE(form.menu_bar.get_visible());
  press_key(GTK_WIDGET(web.view()), GDK_KEY_Escape);
  ASSERT_TRUE(test::run_until([&] { return layout_of(form) == before; }));
  EXPECT_TRUE(form.cmdBack.get_visible());
  EXPECT_TRUE(form.menu_bar.get_visible());
  // With no window manager to confirm the end of full screen, the engine finishes it on
  // a timer of its own, which fails in a later test if the view has gone by then.
  test::run_until([] { return false; }, std::chrono::milliseconds(1200));
}

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
  press_key(GTK_WIDGET(form.gobj()), GDK_KEY_F11);
  ASSERT_TRUE(test::run_until(full));
  // The window keeps its controls.
  EXPECT_TRUE(form.cmdBack.get_visible());
  EXPECT_TRUE(form.menu_bar.get_visible());
  press_key(GTK_WIDGET(form.gobj()), GDK_KEY_F11);
  EXPECT_TRUE(test::run_until([&] { return !full(); }));
}

}  // namespace
}  // namespace kv
