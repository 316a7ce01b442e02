#include "desktop/control_name.h"

#include <atk/atk.h>
#include <gtkmm/widget.h>

namespace kv {
namespace {
constexpr const char* kControlNameKey = "kv-control-name";
}

void set_control_name(Gtk::Widget& widget, const char* name) {
  widget.set_name(name);
  g_object_set_data_full(G_OBJECT(widget.gobj()), kControlNameKey, g_strdup(name), g_free);
  if (AtkObject* accessible = gtk_widget_get_accessible(widget.gobj())) {
    atk_object_set_accessible_id(accessible, name);
  }
}

void set_accessible_name(Gtk::Widget& widget, const Glib::ustring& name) {
  if (AtkObject* accessible = gtk_widget_get_accessible(widget.gobj())) {
    atk_object_set_name(accessible, name.c_str());
  }
}

Glib::ustring control_name_of(const Gtk::Widget* widget) {
  for (const GtkWidget* w = widget != nullptr ? widget->gobj() : nullptr; w != nullptr;
       w = gtk_widget_get_parent(const_cast<GtkWidget*>(w))) {
    if (const auto* name =
            static_cast<const char*>(g_object_get_data(G_OBJECT(w), kControlNameKey))) {
      return name;
    }
  }
  return {};
}

}  // namespace kv
