#include "desktop/win_units.h"

#include <string>

namespace kv {

Glib::ustring css_color(std::uint32_t bgr) {
  const Rgb c = to_rgb(bgr);
  return "rgb(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

}  // namespace kv
