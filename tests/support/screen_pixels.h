#pragma once

#include <gtkmm/widget.h>

#include <array>
#include <cstdint>

namespace kv::test {

using Rgb = std::array<std::uint8_t, 3>;

// The colour the display shows at (x, y) of `widget` (in its own coordinates): what a
// user sees there, whatever drew it.
Rgb screen_pixel(Gtk::Widget& widget, int x, int y);

inline bool is_black(const Rgb& pixel) {
  return pixel[0] < 16 && pixel[1] < 16 && pixel[2] < 16;
}

}  // namespace kv::test
