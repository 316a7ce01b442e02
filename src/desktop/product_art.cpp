#include "desktop/product_art.h"

#include <gtkmm/icontheme.h>
#include <gtkmm/window.h>

namespace kv {
namespace {

constexpr const char* kLogoResource = "/org/kestrivane/Kestrivane/kestrivane-logo.svg";
constexpr const char* kIconResources = "/org/kestrivane/Kestrivane/icons";

}  // namespace

Glib::RefPtr<Gdk::Pixbuf> product_logo(int width, int height) {
  if (width <= 0 || height <= 0) return {};
  try {
    return Gdk::Pixbuf::create_from_resource(kLogoResource, width, height, false);
  } catch (const Glib::Error&) {
    return {};  // no picture loader for it: the window shows without its logo
  }
}

void install_product_icon() {
  static bool installed = false;
  if (installed) return;
  auto theme = Gtk::IconTheme::get_default();
  if (!theme) return;
  theme->add_resource_path(kIconResources);
  Gtk::Window::set_default_icon_name(kProductIconName);
  installed = true;
}

}  // namespace kv
