#include "desktop/deliberate_press.h"

#include <gtkmm/button.h>

#include <memory>

#include "desktop/object_state.h"

namespace kv {

void DeliberatePress::shown(gint64 now) {
  shown_at_ = now;
  arrived_ = false;
}

bool DeliberatePress::press(gint64 now) {
  const bool in_view_long_enough = shown_at_ != 0 && now - shown_at_ >= kDeliberateInViewMicros;
  const bool not_repeated = pressed_at_ == 0 || now - pressed_at_ >= kDeliberateQuietMicros;
  last_counted_ = in_view_long_enough && (arrived_ || not_repeated);
  pressed_at_ = now;
  arrived_ = false;
  return last_counted_;
}

namespace {

constexpr const char* kStateKey = "kv-deliberate-press";

struct ButtonGuard {
  DeliberatePress rule;
  bool drawn = false;  // since it was last mapped
  bool under_pointer = false;
};

ButtonGuard* guard_of(gpointer data) {
  return static_cast<ButtonGuard*>(data);
}

void on_map(GtkWidget* /*button*/, gpointer data) {
  guard_of(data)->drawn = false;
}

// In view from its first drawing; a pointer that was on it then did not come onto it.
gboolean on_draw(GtkWidget* button, cairo_t* /*cr*/, gpointer data) {
  ButtonGuard* guard = guard_of(data);
  if (guard->drawn) return FALSE;
  guard->drawn = true;
  guard->rule.shown(g_get_monotonic_time());
  GdkWindow* window = gtk_widget_get_window(button);
  GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(button));
  int x = -1;
  int y = -1;
  if (window != nullptr && seat != nullptr) {
    gdk_window_get_device_position(window, gdk_seat_get_pointer(seat), &x, &y, nullptr);
  }
  GtkAllocation place;
  gtk_widget_get_allocation(button, &place);
  guard->under_pointer =
      x >= place.x && x < place.x + place.width && y >= place.y && y < place.y + place.height;
  return FALSE;
}

gboolean on_crossing(GtkWidget* /*button*/, GdkEventCrossing* event, gpointer data) {
  ButtonGuard* guard = guard_of(data);
  if (!guard->drawn) return FALSE;
  const bool entering = event->type == GDK_ENTER_NOTIFY;
  if (entering && !guard->under_pointer) guard->rule.pointer_arrived();
  guard->under_pointer = entering;
  return FALSE;
}

// Runs before the button's own handler: a press that does not count never presses it.
gboolean on_press(GtkWidget* /*button*/, GdkEventButton* event, gpointer data) {
  if (event->type != GDK_BUTTON_PRESS) return TRUE;  // the rest of a double click
  return guard_of(data)->rule.press(g_get_monotonic_time()) ? FALSE : TRUE;
}

gboolean on_key(GtkWidget* /*button*/, GdkEventKey* /*event*/, gpointer data) {
  return guard_of(data)->rule.press(g_get_monotonic_time()) ? FALSE : TRUE;
}

gboolean on_mnemonic(GtkWidget* /*button*/, gboolean /*cycling*/, gpointer data) {
  return guard_of(data)->rule.press(g_get_monotonic_time()) ? FALSE : TRUE;
}

gboolean on_press_around(GtkWidget* /*around*/, GdkEventButton* event, gpointer button) {
  ButtonGuard* guard = attached_state<ButtonGuard>(button, kStateKey);
  if (guard != nullptr && event->type == GDK_BUTTON_PRESS)
    guard->rule.press(g_get_monotonic_time());
  return FALSE;
}

}  // namespace

void guard_button(Gtk::Button& button, GtkWidget* around) {
  GtkWidget* widget = GTK_WIDGET(button.gobj());
  auto* guard = &attach_state(widget, kStateKey, new ButtonGuard);
  gtk_widget_add_events(widget, GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK);
  g_signal_connect(widget, "map", G_CALLBACK(on_map), guard);
  g_signal_connect(widget, "draw", G_CALLBACK(on_draw), guard);
  g_signal_connect(widget, "enter-notify-event", G_CALLBACK(on_crossing), guard);
  g_signal_connect(widget, "leave-notify-event", G_CALLBACK(on_crossing), guard);
  g_signal_connect(widget, "button-press-event", G_CALLBACK(on_press), guard);
  g_signal_connect(widget, "key-press-event", G_CALLBACK(on_key), guard);
  g_signal_connect(widget, "mnemonic-activate", G_CALLBACK(on_mnemonic), guard);
  if (around != nullptr) {
    // Disconnected when the button goes.
    g_signal_connect_object(around, "button-press-event", G_CALLBACK(on_press_around), widget,
                            static_cast<GConnectFlags>(0));
  }
}

}  // namespace kv
