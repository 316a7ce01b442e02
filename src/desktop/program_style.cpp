#include "desktop/program_style.h"

#include <gtkmm/cssprovider.h>
#include <gtkmm/stylecontext.h>

namespace kv {

void install_program_style() {
  static bool installed = false;
  if (installed) return;
  auto provider = Gtk::CssProvider::create();
  try {
    provider->load_from_resource("/org/kestrivane/Kestrivane/kestrivane.css");
  } catch (const Glib::Error&) {
    return;  // the theme's look is still usable
  }
  Gtk::StyleContext::add_provider_for_screen(Gdk::Screen::get_default(), provider,
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  installed = true;
}

}  // namespace kv
