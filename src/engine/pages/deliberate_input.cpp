#include "engine/pages/deliberate_input.h"

#include <set>

#include "desktop/object_state.h"

namespace kv {
namespace {

constexpr const char* kStateKey = "kv-deliberate-input";

struct InputTimes {
  gint64 shown_at = 0;
  gint64 went_down_at = 0;
  std::set<guint16> held_keys;  // a held key repeats its press: only the first counts
};

InputTimes* times_of(WebKitWebView* view) {
  return attached_state<InputTimes>(view, kStateKey);
}

void on_load_changed(WebKitWebView* /*view*/, WebKitLoadEvent event, gpointer data) {
  // From the commit on the new page can be seen; the finish may draw more of it.
  if (event == WEBKIT_LOAD_COMMITTED || event == WEBKIT_LOAD_FINISHED) {
    static_cast<InputTimes*>(data)->shown_at = g_get_monotonic_time();
  }
}

gboolean on_button(GtkWidget* /*view*/, GdkEventButton* event, gpointer data) {
  if (event->type == GDK_BUTTON_PRESS) {
    static_cast<InputTimes*>(data)->went_down_at = g_get_monotonic_time();
  }
  return FALSE;
}

// A key let go elsewhere sends its release there.
gboolean on_focus_out(GtkWidget* /*view*/, GdkEventFocus* /*event*/, gpointer data) {
  static_cast<InputTimes*>(data)->held_keys.clear();
  return FALSE;
}

gboolean on_key(GtkWidget* /*view*/, GdkEventKey* event, gpointer data) {
  auto* times = static_cast<InputTimes*>(data);
  if (event->type == GDK_KEY_RELEASE) {
    times->held_keys.erase(event->hardware_keycode);
  } else if (times->held_keys.insert(event->hardware_keycode).second) {
    times->went_down_at = g_get_monotonic_time();
  }
  return FALSE;
}

}  // namespace

void watch_input(WebKitWebView* view) {
  if (times_of(view) != nullptr) return;
  auto* times = &attach_state(view, kStateKey, new InputTimes);
  g_signal_connect(view, "load-changed", G_CALLBACK(on_load_changed), times);
  g_signal_connect(view, "button-press-event", G_CALLBACK(on_button), times);
  g_signal_connect(view, "key-press-event", G_CALLBACK(on_key), times);
  g_signal_connect(view, "key-release-event", G_CALLBACK(on_key), times);
  g_signal_connect(view, "focus-out-event", G_CALLBACK(on_focus_out), times);
}

bool input_is_deliberate(WebKitWebView* view) {
  const InputTimes* times = times_of(view);
  if (times == nullptr) return false;
  const gint64 armed_at = times->shown_at + kDeliberateInputMicros;
  return times->went_down_at >= armed_at && g_get_monotonic_time() >= armed_at;
}

}  // namespace kv
