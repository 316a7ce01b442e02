#include "about/dialog_layout.h"

#include <gtkmm/button.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/label.h>

#include "platform/win_units.h"

namespace kv {

void dialog_window(Gtk::Window& window, Gtk::Fixed& client, int width_twips, int height_twips) {
  window.set_resizable(false);
  window.set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
  window.set_skip_taskbar_hint(true);
  window.set_skip_pager_hint(true);
  window.set_position(Gtk::WIN_POS_CENTER);
  client.set_size_request(twips(width_twips), twips(height_twips));
  window.add(client);
}

void place_twips(Gtk::Fixed& fixed, Gtk::Widget& widget, int left, int top, int width, int height) {
  widget.set_size_request(twips(width), twips(height));
  fixed.put(widget, twips(left), twips(top));
}

namespace {

// A caption wrapped at a set width. A plain wrapping label asks for the height it
// would need at its narrowest, which would stretch the button far below its place.
class WrappedCaption : public Gtk::Label {
 public:
  WrappedCaption(const Glib::ustring& text, int width) : Gtk::Label(text), width_(width) {
    set_line_wrap(true);
    set_justify(Gtk::JUSTIFY_CENTER);
  }

 protected:
  Gtk::SizeRequestMode get_request_mode_vfunc() const override {
    return Gtk::SIZE_REQUEST_CONSTANT_SIZE;
  }
  void get_preferred_width_vfunc(int& minimum, int& natural) const override {
    minimum = natural = width_;
  }
  void get_preferred_height_vfunc(int& minimum, int& natural) const override {
    Gtk::Label::get_preferred_height_for_width_vfunc(width_, minimum, natural);
  }

 private:
  int width_;
};

}  // namespace

void wrap_caption(Gtk::Button& button, int width_twips) {
  // Two lines of caption fill the button; the theme's padding would push it taller.
  auto css = Gtk::CssProvider::create();
  css->load_from_data("button { padding: 0 2px; min-height: 0; }");
  button.get_style_context()->add_provider(css, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  auto* caption = Gtk::make_managed<WrappedCaption>(button.get_label(), twips(width_twips) - 8);
  button.remove();
  button.add(*caption);
}

}  // namespace kv
