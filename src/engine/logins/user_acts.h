#pragma once

#include <gdk/gdk.h>

namespace kv {

// A field's rectangle in the view's pixels, as the program's world measured it and scaled.
struct ViewBox {
  double x = 0, y = 0, width = 0, height = 0;
};

// What the user last did in one view, as the window system told the program: a press of
// the first mouse button at a point, Tab or Shift+Tab, or something else. A login field's
// message from the page's process claims one such act; each act is claimed once, and
// only while it is the user's last.
class UserActs {
 public:
  void button_pressed(guint button, double x, double y, gint64 now);
  void key_pressed(guint keyval, GdkModifierType state, gint64 now);

  // The last act was a press inside `field`, and the page's own mousedown, which the
  // field's message answers, was at that press: at `reported` in the view's pixels, up to
  // the rounding of a page pixel (`scale` view pixels).
  bool claim_press(const ViewBox& field, double reported_x, double reported_y, double scale,
                   gint64 now);
  // The last act was Tab or Shift+Tab.
  bool claim_tab(gint64 now);

  [[nodiscard]] gint64 last_at() const { return at_; }

 private:
  enum class Act { kNone, kPress, kTab, kOther };
  bool claimable(Act act, gint64 now) const;

  Act last_ = Act::kNone;
  gint64 at_ = 0;
  double x_ = 0;
  double y_ = 0;
  bool claimed_ = false;
};

}  // namespace kv
