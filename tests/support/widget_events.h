#pragma once

#include <gdk/gdk.h>
#include <gtkmm/container.h>
#include <gtkmm/widget.h>
#include <gtkmm/window.h>

#include <vector>

namespace kv::test {

// Puts the display's pointer back where it was when made. A test that moves the real
// pointer leaves it elsewhere for the tests after it on the same display, where the
// keyboard focus follows the pointer (no window manager): their windows then never get
// the focus.
class PointerPutBack {
 public:
  PointerPutBack() { gdk_device_get_position(pointer(), &screen_, &x_, &y_); }
  ~PointerPutBack() {
    if (screen_ == nullptr) return;
    gdk_device_warp(pointer(), screen_, x_, y_);
    gdk_display_sync(gdk_display_get_default());
  }
  PointerPutBack(const PointerPutBack&) = delete;
  PointerPutBack& operator=(const PointerPutBack&) = delete;

 private:
  static GdkDevice* pointer() {
    return gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
  }
  GdkScreen* screen_ = nullptr;
  int x_ = 0;
  int y_ = 0;
};

// Delivers a mouse button press or release to `window` at (x, y) in its coordinates, as
// the window system would.
inline void button_event(GdkEventType type, GdkWindow* window, double x, double y,
                         guint button = 1) {
  GdkEvent* event = gdk_event_new(type);
  event->button.window = GDK_WINDOW(g_object_ref(window));
  event->button.send_event = TRUE;
  event->button.time = GDK_CURRENT_TIME;
  event->button.x = x;
  event->button.y = y;
  event->button.button = button;
  gdk_event_set_device(
      event, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
  gtk_main_do_event(event);
  gdk_event_free(event);
}

// A release after a click there.
inline void release_button(GdkWindow* window, double x, double y, guint button = 1) {
  button_event(GDK_BUTTON_RELEASE, window, x, y, button);
}

// Delivers a key press, with modifiers held (Ctrl+N) or none, to `widget` as the window
// system would (the window must be shown).
inline void press_key(Gtk::Widget& widget, guint keyval,
                      GdkModifierType state = static_cast<GdkModifierType>(0)) {
  GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
  event->key.window = GDK_WINDOW(g_object_ref(widget.get_window()->gobj()));
  event->key.send_event = TRUE;
  event->key.time = GDK_CURRENT_TIME;
  event->key.keyval = keyval;
  event->key.state = state;
  event->key.hardware_keycode = 0;
  GdkKeymapKey* keys = nullptr;
  gint n_keys = 0;
  if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()),
                                        keyval, &keys, &n_keys) &&
      n_keys > 0) {
    event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
    g_free(keys);
  }
  gdk_event_set_device(
      event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
  gtk_main_do_event(event);
  gdk_event_free(event);
}

// Asks a shown window to close, as its close box does.
inline void close_box(Gtk::Widget& window) {
  GdkEvent* event = gdk_event_new(GDK_DELETE);
  event->any.window = GDK_WINDOW(g_object_ref(window.get_window()->gobj()));
  gtk_main_do_event(event);
  gdk_event_free(event);
}

// `root` and every widget inside it.
inline void collect_widgets(Gtk::Widget& root, std::vector<Gtk::Widget*>& into) {
  into.push_back(&root);
  if (auto* container = dynamic_cast<Gtk::Container*>(&root)) {
    for (Gtk::Widget* child : container->get_children()) collect_widgets(*child, into);
  }
}

// The top-level windows, shown or not, that are `Window`s.
template <typename Window>
std::vector<Window*> windows_of() {
  std::vector<Window*> found;
  for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
    if (auto* wanted = dynamic_cast<Window*>(window)) found.push_back(wanted);
  }
  return found;
}

}  // namespace kv::test
