#pragma once

#include <gtkmm/box.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/frame.h>
#include <gtkmm/label.h>

namespace kv {

// The Internet Options section for how pages are drawn: with the GPU where the machine
// has one (the default), or always by the CPU. The browser reads it as it starts, so a
// change applies from its next start, as the section says. Kept with OK or Apply.
class AdvancedSection : public Gtk::Frame {
 public:
  AdvancedSection();

  // Keeps the setting; false when it could not be written.
  [[nodiscard]] bool apply() const;

  Gtk::CheckButton chkHardwareAcceleration;
  Gtk::Label lblAccelerationNote;

 private:
  Gtk::Box box_{Gtk::ORIENTATION_VERTICAL, 6};
};

}  // namespace kv
