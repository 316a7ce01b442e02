#pragma once

#include <glibmm/ustring.h>

namespace Gtk {
class Widget;
}

namespace kv {

// Every control and menu item carries its control name ("cmdGo", "mnuFileClose"): as
// its widget name, for style sheets, and as its accessible id, for assistive technology
// and UI automation.
void set_control_name(Gtk::Widget& widget, const char* name);

// The name assistive technology reads out for the control, where the toolkit would
// find none, or a wrong one (the icon's description on a picture-only button).
void set_accessible_name(Gtk::Widget& widget, const Glib::ustring& name);

// The name of the control that holds `widget` (the widget itself or the nearest
// ancestor that has a control name); "" when none has.
Glib::ustring control_name_of(const Gtk::Widget* widget);

}  // namespace kv
