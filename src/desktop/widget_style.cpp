#include "desktop/widget_style.h"

#include <gtkmm/cssprovider.h>
#include <gtkmm/stylecontext.h>
#include <gtkmm/widget.h>

#include <array>
#include <cstdio>

#include "desktop/win_units.h"

namespace kv {
namespace {

// Above the theme and the program's own style sheet.
constexpr guint kControlStylePriority = GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 10;

void set_property_css(Gtk::Widget& widget, const char* key, const Glib::ustring& declarations) {
  auto* object = G_OBJECT(widget.gobj());
  auto* provider = static_cast<GtkCssProvider*>(g_object_get_data(object, key));
  if (provider == nullptr) {
    provider = gtk_css_provider_new();
    gtk_style_context_add_provider(gtk_widget_get_style_context(widget.gobj()),
                                   GTK_STYLE_PROVIDER(provider), kControlStylePriority);
    g_object_set_data_full(object, key, provider, g_object_unref);
  }
  const Glib::ustring css = "* {" + declarations + "}";
  gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
}

void remember_color(Gtk::Widget& widget, const char* key, std::uint32_t bgr) {
  // Stored one above the value so that black (0) differs from "never set" (null).
  g_object_set_data(G_OBJECT(widget.gobj()), key, GUINT_TO_POINTER(bgr + 1U));
}

std::optional<std::uint32_t> recalled_color(const Gtk::Widget& widget, const char* key) {
  const gpointer data = g_object_get_data(G_OBJECT(widget.gobj()), key);
  if (data == nullptr) return std::nullopt;
  return static_cast<std::uint32_t>(GPOINTER_TO_UINT(data) - 1U);
}

// Face names of the original platform map to the fonts this desktop has.
Glib::ustring font_family(const Glib::ustring& face) {
  if (face == "MS Sans Serif") return "Sans";
  return "\"" + face + "\"";
}

std::string points_text(double points) {
  std::array<char, 32> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%.2f", points);
  std::string text = buffer.data();
  // Style sheets want a decimal point whatever the locale says.
  for (char& ch : text) {
    if (ch == ',') ch = '.';
  }
  return text;
}

}  // namespace

void set_back_color(Gtk::Widget& widget, std::uint32_t bgr) {
  remember_color(widget, "kv-back-color", bgr);
  set_property_css(widget, "kv-css-back",
                   "background-image: none; background-color: " + css_color(bgr) + ";");
}

void set_fore_color(Gtk::Widget& widget, std::uint32_t bgr) {
  remember_color(widget, "kv-fore-color", bgr);
  set_property_css(widget, "kv-css-fore", "color: " + css_color(bgr) + ";");
}

std::optional<std::uint32_t> back_color(const Gtk::Widget& widget) {
  return recalled_color(widget, "kv-back-color");
}

std::optional<std::uint32_t> fore_color(const Gtk::Widget& widget) {
  return recalled_color(widget, "kv-fore-color");
}

void set_font(Gtk::Widget& widget, const Glib::ustring& face, double points, bool bold) {
  set_property_css(widget, "kv-css-font",
                   "font-family: " + font_family(face) + "; font-size: " + points_text(points) +
                       "pt; font-weight: " + (bold ? "bold" : "normal") + ";");
}

}  // namespace kv
