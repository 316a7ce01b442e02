#include <gtkmm/main.h>

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
  program.open_first_main_window();
  Gtk::Main::run();
  return 0;
}
