#include <glib-unix.h>
#include <glibmm/main.h>
#include <gtkmm/main.h>

#include <csignal>
#include <memory>

#include "app/program.h"
#include "app/splash.h"
#include "desktop/app_folder.h"
#include "desktop/gtk_desktop_services.h"
#include "desktop/product_art.h"
#include "desktop/program_style.h"
#include "engine/downloads/downloads.h"
#include "engine/control/webkit_browser.h"

int main(int argc, char** argv) {
  Gtk::Main kit(argc, argv);
  kv::install_program_style();
  kv::install_product_icon();
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

  // The program starts with its splash screen, which opens the first main window or,
  // on a key, ends the program. Once closed it goes.
  auto splash = std::make_unique<kv::frmSplash>([&program] { program.open_first_main_window(); },
                                                [&program] { program.end_program(); });
  splash->signal_hide().connect(
      [&splash] { Glib::signal_idle().connect_once([&splash] { splash.reset(); }); });
  splash->show();
  splash->present();
  Gtk::Main::run();
  // The engine's processes end with the program: no partial file may stay behind.
  kv::cancel_all_downloads();
  return 0;
}
