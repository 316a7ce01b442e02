#include "engine/logins/user_acts.h"

#include <cmath>

namespace kv {
namespace {

// A page busy with its own scripts (as many are right after their load) handles a press
// late: the field's message is matched with the act itself, so it may come well after.
constexpr gint64 kClaimableMicros = 10 * 1000 * 1000;
// A field's edge is measured in fractions of a pixel; the press in whole ones.
constexpr double kEdgeSlack = 1.0;

bool is_modifier(guint keyval) {
  switch (keyval) {
    case GDK_KEY_Shift_L:
    case GDK_KEY_Shift_R:
    case GDK_KEY_Control_L:
    case GDK_KEY_Control_R:
    case GDK_KEY_Alt_L:
    case GDK_KEY_Alt_R:
    case GDK_KEY_Meta_L:
    case GDK_KEY_Meta_R:
    case GDK_KEY_Super_L:
    case GDK_KEY_Super_R:
    case GDK_KEY_ISO_Level3_Shift:
    case GDK_KEY_Caps_Lock:
      return true;
    default:
      return false;
  }
}

}  // namespace

void UserActs::button_pressed(guint button, double x, double y, gint64 now) {
  last_ = button == GDK_BUTTON_PRIMARY ? Act::kPress : Act::kOther;
  at_ = now;
  x_ = x;
  y_ = y;
  claimed_ = false;
}

void UserActs::key_pressed(guint keyval, GdkModifierType state, gint64 now) {
  // Shift before its Tab is part of the Tab.
  if (is_modifier(keyval)) return;
  const bool moves_focus =
      keyval == GDK_KEY_Tab || keyval == GDK_KEY_ISO_Left_Tab || keyval == GDK_KEY_KP_Tab;
  const bool plain = (state & (GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_SUPER_MASK)) == 0;
  last_ = moves_focus && plain ? Act::kTab : Act::kOther;
  at_ = now;
  claimed_ = false;
}

bool UserActs::claimable(Act act, gint64 now) const {
  return last_ == act && !claimed_ && now >= at_ && now - at_ <= kClaimableMicros;
}

bool UserActs::claim_press(const ViewBox& field, double reported_x, double reported_y, double scale,
                           gint64 now) {
  if (!claimable(Act::kPress, now)) return false;
  // The page's mousedown reports whole page pixels.
  const double slack = kEdgeSlack + scale;
  if (!(std::abs(reported_x - x_) <= slack && std::abs(reported_y - y_) <= slack)) return false;
  const bool on_field = x_ >= field.x - kEdgeSlack && x_ <= field.x + field.width + kEdgeSlack &&
                        y_ >= field.y - kEdgeSlack && y_ <= field.y + field.height + kEdgeSlack;
  if (!on_field) return false;
  claimed_ = true;
  return true;
}

bool UserActs::claim_tab(gint64 now) {
  if (!claimable(Act::kTab, now)) return false;
  claimed_ = true;
  return true;
}

}  // namespace kv
