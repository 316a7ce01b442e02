#pragma once

#include <glibmm/ustring.h>

#include <cstdint>
#include <optional>

namespace Gtk {
class Widget;
}

namespace kv {

// Colours and fonts of single controls. Each property has its own style sheet on the
// widget, so setting it again replaces the old value instead of stacking rules. The
// colour stays readable from the widget, which is where the program keeps it.
void set_back_color(Gtk::Widget& widget, std::uint32_t bgr);
void set_fore_color(Gtk::Widget& widget, std::uint32_t bgr);
std::optional<std::uint32_t> back_color(const Gtk::Widget& widget);
std::optional<std::uint32_t> fore_color(const Gtk::Widget& widget);

// A font by its face name ("Times New Roman", "Arial", "MS Sans Serif") and size in points.
void set_font(Gtk::Widget& widget, const Glib::ustring& face, double points, bool bold = false);

}  // namespace kv
