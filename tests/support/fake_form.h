#pragma once

#include <gdk/gdk.h>

#include <memory>

#include "browser/form1.h"
#include "support/fake_web_browser.h"

namespace kv::test {

// A main window whose two browser controls are recording fakes.
struct FakeForm {
  FakeForm()
      : form(std::make_unique<FakeWebBrowser>(), std::make_unique<FakeWebBrowser>()),
        web(dynamic_cast<FakeWebBrowser&>(form.wWeb)),
        pane(dynamic_cast<FakeWebBrowser&>(form.WB1)) {
    web.calls.clear();
    pane.calls.clear();
  }

  Form1 form;
  FakeWebBrowser& web;
  FakeWebBrowser& pane;
};

// Delivers a key press to `widget` as the window system would (the window must be shown).
inline void press_key(Gtk::Widget& widget, guint keyval) {
  GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
  event->key.window = GDK_WINDOW(g_object_ref(widget.get_window()->gobj()));
  event->key.send_event = TRUE;
  event->key.time = GDK_CURRENT_TIME;
  event->key.keyval = keyval;
  event->key.state = 0;
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

}  // namespace kv::test
