#include "app/options/advanced_section.h"

#include "desktop/control_name.h"
#include "desktop/internet_settings.h"

namespace kv {

AdvancedSection::AdvancedSection() {
  set_label("Page drawing");
  set_control_name(chkHardwareAcceleration, "chkHardwareAcceleration");
  chkHardwareAcceleration.set_label("Use hard_ware acceleration when available");
  chkHardwareAcceleration.set_use_underline(true);
  chkHardwareAcceleration.set_active(use_hardware_acceleration());

  set_control_name(lblAccelerationNote, "lblAccelerationNote");
  lblAccelerationNote.set_text(
      "Pages, scrolling, animations and video are drawn by the graphics card where the "
      "computer has one that works. Kestrivane uses the change the next time it starts.");
  lblAccelerationNote.set_xalign(0.0F);
  lblAccelerationNote.set_line_wrap(true);
  lblAccelerationNote.set_max_width_chars(60);

  box_.set_border_width(8);
  box_.pack_start(chkHardwareAcceleration, Gtk::PACK_SHRINK);
  box_.pack_start(lblAccelerationNote, Gtk::PACK_SHRINK);
  add(box_);
}

bool AdvancedSection::apply() const {
  if (chkHardwareAcceleration.get_active() == use_hardware_acceleration()) return true;
  return save_use_hardware_acceleration(chkHardwareAcceleration.get_active());
}

}  // namespace kv
