// Loads one address in a browser control on the program's own profile, prints the
// title the page gives itself, and ends: one run of the program, for the tests that
// need several runs, or several at once.
#include <gtk/gtk.h>
#include <gtkmm/main.h>
#include <gtkmm/window.h>

#include <cstdio>

#include "engine/control/webkit_browser.h"

int main(int argc, char** argv) {
  // The control is made of gtkmm widgets.
  Gtk::Main kit(argc, argv);
  if (argc != 2) return 2;
  int status = 1;
  // The engine's stand-in camera and microphone, for pages that call.
  if (g_getenv("KV_PROBE_MOCK_CAPTURE") != nullptr) {
    webkit_settings_set_enable_mock_capture_devices(kv::shared_web_settings(), TRUE);
  }
  kv::WebKitBrowser browser;
  // Shown, as in the program: the engine holds back a hidden page's camera until it shows.
  Gtk::Window window;
  window.add(browser.widget());
  window.show_all();
  browser.TitleChange.connect([&status](const Glib::ustring& title) {
    if (title.empty()) return;
    std::printf("%s\n", title.c_str());
    status = 0;
    gtk_main_quit();
  });
  g_timeout_add_seconds(
      30,
      [](gpointer) -> gboolean {
        gtk_main_quit();
        return G_SOURCE_REMOVE;
      },
      nullptr);
  browser.Navigate(argv[1]);
  gtk_main();
  return status;
}
