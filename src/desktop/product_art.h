#pragma once

#include <gdkmm/pixbuf.h>

namespace kv {

// The product's name in the icon theme, for windows' icons.
inline constexpr const char* kProductIconName = "kestrivane";

// The product logo, stretched to `width` x `height` pixels; empty if it cannot be drawn.
Glib::RefPtr<Gdk::Pixbuf> product_logo(int width, int height);

// Makes the product icon, compiled into the program, part of the icon theme and every
// window's default icon, so that "kestrivane" resolves whether or not it is installed.
void install_product_icon();

}  // namespace kv
