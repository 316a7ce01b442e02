#include "desktop/dialog_buttons.h"

#include <gtkmm/button.h>
#include <gtkmm/buttonbox.h>

#include "desktop/control_name.h"

namespace kv {

void pack_dialog_buttons(Gtk::ButtonBox& box, std::initializer_list<DialogButton> buttons) {
  for (const DialogButton& each : buttons) {
    set_control_name(*each.button, each.name);
    each.button->set_label(each.caption);
    each.button->set_use_underline(true);
    box.pack_start(*each.button);
  }
  box.set_layout(Gtk::BUTTONBOX_END);
  box.set_spacing(6);
}

}  // namespace kv
