#pragma once

#include <glibmm/ustring.h>

#include <cstdint>

namespace kv {

// Window layouts are given in twips (1440 per inch): 15 twips are one pixel at 96 dpi.
constexpr int twips(int value) {
  return value / 15;
}

// Colours are 0x00BBGGRR values, red in the lowest byte.
struct Rgb {
  std::uint8_t r, g, b;
};
constexpr Rgb to_rgb(std::uint32_t bgr) {
  return {static_cast<std::uint8_t>(bgr & 0xFFU), static_cast<std::uint8_t>((bgr >> 8U) & 0xFFU),
          static_cast<std::uint8_t>((bgr >> 16U) & 0xFFU)};
}
constexpr std::uint32_t from_rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8U) |
         (static_cast<std::uint32_t>(b) << 16U);
}
// "rgb(r,g,b)" for style sheets.
Glib::ustring css_color(std::uint32_t bgr);

}  // namespace kv
