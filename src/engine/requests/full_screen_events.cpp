#include "engine/requests/full_screen_events.h"

#include <gdk/gdkkeysyms.h>

#include "desktop/guarded.h"

namespace kv {
namespace {

struct FullScreen {
  std::function<void(bool)> changed;
  bool active = false;
};

// A world of our own, where no page script can replace exitFullscreen to keep the screen.
constexpr const char* kWorld = "kestrivane-full-screen";

constexpr const char* kHasBeenKey = "kv-has-been-full-screen";

gboolean on_enter(WebKitWebView* view, gpointer data) {
  auto* state = static_cast<FullScreen*>(data);
  state->active = true;
  g_object_set_data(G_OBJECT(view), kHasBeenKey, GINT_TO_POINTER(1));
  guarded([&] { state->changed(true); });
  return FALSE;  // the engine goes on to make the window full screen
}

gboolean on_leave(WebKitWebView* /*view*/, gpointer data) {
  auto* state = static_cast<FullScreen*>(data);
  state->active = false;
  guarded([&] { state->changed(false); });
  return FALSE;
}

gboolean on_key(WebKitWebView* view, GdkEventKey* key, gpointer data) {
  const auto* state = static_cast<FullScreen*>(data);
  if (!state->active || key->keyval != GDK_KEY_Escape) return FALSE;
  // The page gives the screen back itself: the engine's own Escape, without a window
  // manager to confirm the change, leaves a timer behind that fails once the view has gone.
  webkit_web_view_evaluate_javascript(view, "document.exitFullscreen().catch(() => {}); 0", -1,
                                      kWorld, nullptr, nullptr, nullptr, nullptr);
  return TRUE;
}

void free_state(gpointer data, GClosure* /*closure*/) {
  delete static_cast<FullScreen*>(data);
}

}  // namespace

bool has_been_full_screen(WebKitWebView* view) {
  return g_object_get_data(G_OBJECT(view), kHasBeenKey) != nullptr;
}

void report_full_screen(WebKitWebView* view, std::function<void(bool)> changed) {
  // Freed with the last of the three handlers, when the view goes.
  auto* state = new FullScreen{std::move(changed)};
  g_signal_connect(view, "enter-fullscreen", G_CALLBACK(on_enter), state);
  g_signal_connect(view, "key-press-event", G_CALLBACK(on_key), state);
  g_signal_connect_data(view, "leave-fullscreen", G_CALLBACK(on_leave), state, &free_state,
                        G_CONNECT_DEFAULT);
}

}  // namespace kv
