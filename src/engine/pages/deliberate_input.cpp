#include "engine/pages/deliberate_input.h"

#include <cmath>
#include <set>

#include "desktop/deliberate_press.h"
#include "desktop/object_state.h"

namespace kv {
namespace {

constexpr const char* kStateKey = "kv-deliberate-input";
// A hand that keeps clicking at one spot wobbles this much; a pointer that went further
// was moved to what it clicks.
constexpr double kStillPixels = 16.0;

struct InputState {
  DeliberatePress rule;
  bool unused_press = false;  // the last press counted and activated nothing yet
  double pressed_x = NAN;     // where the pointer was at the last press (or first seen)
  double pressed_y = NAN;
  std::set<guint16> held_keys;  // a held key repeats its press: only the first counts
};

InputState* state_of(WebKitWebView* view) {
  return attached_state<InputState>(view, kStateKey);
}

void pressed(InputState* state) {
  state->unused_press = state->rule.press(g_get_monotonic_time());
}

void on_load_changed(WebKitWebView* /*view*/, WebKitLoadEvent event, gpointer data) {
  // From the commit on the new page can be seen; the finish may draw more of it.
  if (event == WEBKIT_LOAD_COMMITTED || event == WEBKIT_LOAD_FINISHED) {
    auto* state = static_cast<InputState*>(data);
    state->rule.shown(g_get_monotonic_time());
    state->unused_press = false;
  }
}

gboolean on_button(GtkWidget* /*view*/, GdkEventButton* event, gpointer data) {
  if (event->type == GDK_BUTTON_PRESS) {
    auto* state = static_cast<InputState*>(data);
    state->pressed_x = event->x;
    state->pressed_y = event->y;
    pressed(state);
  }
  return FALSE;
}

gboolean on_motion(GtkWidget* /*view*/, GdkEventMotion* event, gpointer data) {
  auto* state = static_cast<InputState*>(data);
  if (std::isnan(state->pressed_x)) {
    state->pressed_x = event->x;
    state->pressed_y = event->y;
  } else if (std::hypot(event->x - state->pressed_x, event->y - state->pressed_y) > kStillPixels) {
    state->rule.pointer_arrived();
  }
  return FALSE;
}

// A key let go elsewhere sends its release there.
gboolean on_focus_out(GtkWidget* /*view*/, GdkEventFocus* /*event*/, gpointer data) {
  static_cast<InputState*>(data)->held_keys.clear();
  return FALSE;
}

gboolean on_key(GtkWidget* /*view*/, GdkEventKey* event, gpointer data) {
  auto* state = static_cast<InputState*>(data);
  if (event->type == GDK_KEY_RELEASE) {
    state->held_keys.erase(event->hardware_keycode);
  } else if (state->held_keys.insert(event->hardware_keycode).second) {
    pressed(state);
  }
  return FALSE;
}

}  // namespace

void watch_input(WebKitWebView* view) {
  if (state_of(view) != nullptr) return;
  auto* state = &attach_state(view, kStateKey, new InputState);
  gtk_widget_add_events(GTK_WIDGET(view), GDK_POINTER_MOTION_MASK);
  g_signal_connect(view, "load-changed", G_CALLBACK(on_load_changed), state);
  g_signal_connect(view, "button-press-event", G_CALLBACK(on_button), state);
  g_signal_connect(view, "motion-notify-event", G_CALLBACK(on_motion), state);
  g_signal_connect(view, "key-press-event", G_CALLBACK(on_key), state);
  g_signal_connect(view, "key-release-event", G_CALLBACK(on_key), state);
  g_signal_connect(view, "focus-out-event", G_CALLBACK(on_focus_out), state);
}

bool input_is_deliberate(WebKitWebView* view) {
  InputState* state = state_of(view);
  if (state == nullptr || !state->unused_press) return false;
  state->unused_press = false;
  return true;
}

}  // namespace kv
