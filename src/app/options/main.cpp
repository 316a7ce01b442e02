// Kestrivane's Internet Options: the home page, the browsing history, cookies and
// website data.
#include <gtkmm/main.h>

#include "app/options/internet_options_window.h"
#include "desktop/product_art.h"

int main(int argc, char** argv) {
  Gtk::Main kit(argc, argv);
  kv::install_product_icon();
  kv::InternetOptionsWindow window;
  Gtk::Main::run(window);
  return 0;
}
