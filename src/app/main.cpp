#include <glib-unix.h>
#include <gtkmm/main.h>

#include <csignal>

#include "app/program.h"
#include "platform/app_folder.h"
#include "platform/gtk_desktop_services.h"
#include "platform/program_style.h"
#include "platform/webkit_browser.h"

int main(int argc, char** argv) {
  Gtk::Main kit(argc, argv);
  kv::install_program_style();
  kv::GtkDesktopServices services;
  kv::WebKitBrowserFactory browsers;
  kv::Program program(services, browsers, kv::application_folder(), [] { Gtk::Main::quit(); });
  // A session that ends, or Ctrl+C in a terminal, ends the program as File > Close
  // does, so that favourites added since the last load are kept.
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    g_unix_signal_add(
        signal,
        [](gpointer data) -> gboolean {
          static_cast<kv::Program*>(data)->end_program();
          return G_SOURCE_REMOVE;
        },
        &program);
  }
  program.open_first_main_window();
  Gtk::Main::run();
  return 0;
}
