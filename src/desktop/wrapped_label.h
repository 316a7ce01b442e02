#pragma once

#include <gtkmm/label.h>

namespace kv {

// A label whose text wraps at a set width. A plain wrapping label asks for the height
// it would need at its narrowest and for the width of its unwrapped text, which
// stretches a fixed layout far beyond the place the label was given.
class WrappedLabel : public Gtk::Label {
 public:
  explicit WrappedLabel(const Glib::ustring& text = {}, int width = 1);
  void set_wrap_width(int width);

 protected:
  Gtk::SizeRequestMode get_request_mode_vfunc() const override;
  void get_preferred_width_vfunc(int& minimum, int& natural) const override;
  void get_preferred_height_vfunc(int& minimum, int& natural) const override;

 private:
  int width_;
};

}  // namespace kv
