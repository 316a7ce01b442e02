#include "engine/control/full_screen_events.h"

#include "desktop/guarded.h"

namespace kv {
namespace {

using Changed = std::function<void(bool)>;

gboolean on_enter(WebKitWebView* /*view*/, gpointer data) {
  guarded([&] { (*static_cast<Changed*>(data))(true); });
  return FALSE;  // the engine goes on to make the window full screen
}

gboolean on_leave(WebKitWebView* /*view*/, gpointer data) {
  guarded([&] { (*static_cast<Changed*>(data))(false); });
  return FALSE;
}

void free_changed(gpointer data, GClosure* /*closure*/) {
  delete static_cast<Changed*>(data);
}

}  // namespace

void report_full_screen(WebKitWebView* view, std::function<void(bool)> changed) {
  g_signal_connect_data(view, "enter-fullscreen", G_CALLBACK(on_enter), new Changed(changed),
                        &free_changed, G_CONNECT_DEFAULT);
  g_signal_connect_data(view, "leave-fullscreen", G_CALLBACK(on_leave),
                        new Changed(std::move(changed)), &free_changed, G_CONNECT_DEFAULT);
}

}  // namespace kv
