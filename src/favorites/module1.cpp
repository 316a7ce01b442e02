#include "favorites/module1.h"

#include "desktop/desktop_services.h"

namespace kv::Module1 {

void MakeTopmost(Gtk::Window& window, DesktopServices& services) {
  services.MakeTopmost(window);
}

}  // namespace kv::Module1
