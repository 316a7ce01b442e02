#pragma once

#include <gtkmm/fixed.h>
#include <gtkmm/window.h>

namespace kv {

// A fixed dialog border with a close button only, no taskbar entry, centred on the
// screen, around a client area of the given size in twips.
void dialog_window(Gtk::Window& window, Gtk::Fixed& client, int width_twips, int height_twips);

// Puts `widget` at a place given in twips.
void place_twips(Gtk::Fixed& fixed, Gtk::Widget& widget, int left, int top, int width, int height);

// Lets a button's caption wrap over lines, centred, as a narrow button shows it.
void wrap_caption(Gtk::Button& button, int width_twips);

}  // namespace kv
