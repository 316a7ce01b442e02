#include "about/dialog_layout.h"

#include <gtkmm/button.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/label.h>

#include "desktop/win_units.h"
#include "desktop/wrapped_label.h"

namespace kv {

void dialog_window(Gtk::Window& window, Gtk::Fixed& client, int width_twips, int height_twips) {
  window.set_resizable(false);
  window.set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
  window.set_skip_taskbar_hint(true);
  window.set_skip_pager_hint(true);
  window.set_position(Gtk::WIN_POS_CENTER);
  // Without a taskbar entry a minimised box could never be brought back, and the window
  // it disables would stay disabled: window managers offer what these hints allow.
  window.signal_realize().connect(
      [&window] {
        auto frame = window.get_window();
        frame->set_functions(Gdk::FUNC_MOVE | Gdk::FUNC_CLOSE);
        frame->set_decorations(Gdk::DECOR_BORDER | Gdk::DECOR_TITLE | Gdk::DECOR_MENU);
      },
      true);
  client.set_size_request(twips(width_twips), twips(height_twips));
  window.add(client);
}

void place_twips(Gtk::Fixed& fixed, Gtk::Widget& widget, int left, int top, int width, int height) {
  widget.set_size_request(twips(width), twips(height));
  fixed.put(widget, twips(left), twips(top));
}

void wrap_caption(Gtk::Button& button, int width_twips) {
  // Two lines of caption fill the button; the theme's padding would push it taller.
  auto css = Gtk::CssProvider::create();
  css->load_from_data("button { padding: 0 2px; min-height: 0; }");
  button.get_style_context()->add_provider(css, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  auto* caption = Gtk::make_managed<WrappedLabel>(button.get_label(), twips(width_twips) - 8);
  caption->set_justify(Gtk::JUSTIFY_CENTER);
  button.remove();
  button.add(*caption);
}

}  // namespace kv
