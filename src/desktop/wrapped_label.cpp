#include "desktop/wrapped_label.h"

namespace kv {

WrappedLabel::WrappedLabel(const Glib::ustring& text, int width) : Gtk::Label(text), width_(width) {
  set_line_wrap(true);
}

void WrappedLabel::set_wrap_width(int width) {
  width_ = width;
  queue_resize();
}

Gtk::SizeRequestMode WrappedLabel::get_request_mode_vfunc() const {
  return Gtk::SIZE_REQUEST_CONSTANT_SIZE;
}

void WrappedLabel::get_preferred_width_vfunc(int& minimum, int& natural) const {
  minimum = natural = width_;
}

void WrappedLabel::get_preferred_height_vfunc(int& minimum, int& natural) const {
  Gtk::Label::get_preferred_height_for_width_vfunc(width_, minimum, natural);
}

}  // namespace kv
