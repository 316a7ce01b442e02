#pragma once

#include <initializer_list>

namespace Gtk {
class Button;
class ButtonBox;
}  // namespace Gtk

namespace kv {

struct DialogButton {
  Gtk::Button* button;
  const char* name;     // its control name
  const char* caption;  // with the mnemonic marked by an underscore
};

// The row of buttons at the foot of a dialog of ours: each named and captioned, in the
// order given, at the end of `box`.
void pack_dialog_buttons(Gtk::ButtonBox& box, std::initializer_list<DialogButton> buttons);

}  // namespace kv
