// Loads one address in a browser control on the program's own profile, prints the
// title the page gives itself, and ends: one run of the program, for the tests that
// need several runs, or several at once.
#include <gtk/gtk.h>
#include <gtkmm/main.h>

#include <cstdio>

#include "engine/control/webkit_browser.h"

int main(int argc, char** argv) {
  // The control is made of gtkmm widgets.
  Gtk::Main kit(argc, argv);
  if (argc != 2) return 2;
  int status = 1;
  kv::WebKitBrowser browser;
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
