#include "support/screen_pixels.h"

#include <gdk/gdk.h>

#include "desktop/glib_handles.h"

namespace kv::test {

Rgb screen_pixel(Gtk::Widget& widget, int x, int y) {
  int origin_x = 0;
  int origin_y = 0;
  gdk_window_get_origin(widget.get_window()->gobj(), &origin_x, &origin_y);
  const Gtk::Allocation at = widget.get_allocation();
  // A widget without a window of its own is placed within its parent's.
  if (!widget.get_has_window()) {
    origin_x += at.get_x();
    origin_y += at.get_y();
  }
  const ObjectRef<GdkPixbuf> shot(
      gdk_pixbuf_get_from_window(gdk_get_default_root_window(), origin_x + x, origin_y + y, 1, 1));
  if (!shot) return {0, 0, 0};
  const guint8* p = gdk_pixbuf_read_pixels(shot.get());
  return {p[0], p[1], p[2]};
}

}  // namespace kv::test
