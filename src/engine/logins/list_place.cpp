#include "engine/logins/list_place.h"

#include <algorithm>

namespace kv {

std::optional<GdkPoint> place_beside(const GdkRectangle& field, int width, int height,
                                     const GdkRectangle& page, const GdkRectangle& screen) {
  GdkRectangle room{};
  if (width <= 0 || height <= 0 || field.width <= 0 || field.height <= 0 ||
      gdk_rectangle_intersect(&page, &screen, &room) == FALSE || width > room.width) {
    return std::nullopt;
  }
  const int x = std::clamp(field.x, room.x, room.x + room.width - width);
  // Still across from some of the field.
  if (x >= field.x + field.width || x + width <= field.x) return std::nullopt;
  const int bottom = room.y + room.height;
  const int below = field.y + field.height;
  if (below >= room.y && below + height <= bottom) return GdkPoint{x, below};
  const int above = field.y - height;
  if (above >= room.y && field.y <= bottom) return GdkPoint{x, above};
  return std::nullopt;
}

}  // namespace kv
