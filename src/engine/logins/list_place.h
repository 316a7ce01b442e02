#pragma once

#include <gdk/gdk.h>

#include <optional>

namespace kv {

// Where a list of `width` x `height` goes beside `field`, all in screen pixels: just
// below the field, or just above it when there is no room below; slid sideways as far as
// it must, but never off the field's width; wholly inside `page` (the page area of the
// window) and `screen` (the monitor's work area). Nothing when the field does not allow
// that.
std::optional<GdkPoint> place_beside(const GdkRectangle& field, int width, int height,
                                     const GdkRectangle& page, const GdkRectangle& screen);

}  // namespace kv
