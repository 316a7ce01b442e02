#include "browser/address_suggestions.h"

#include <gdk/gdkkeysyms.h>

#include <memory>

#include "browser/form1.h"
#include "browser/suggestion_list.h"
#include "desktop/guarded.h"

namespace kv {
namespace {

// One window's list, and what the user typed before choosing a row.
struct Suggesting {
  Suggesting(Form1& form, AddressSuggestionSource& source) : form(form), source(source) {}
  Form1& form;
  AddressSuggestionSource& source;
  SuggestionList list;
  Glib::ustring typed;
  bool asking = false;        // a round of typing is on: the list is open or on its way
  bool putting_text = false;  // the box's text is ours, not typed
};

Gtk::Entry& box(Suggesting& s) {
  return s.form.cboURL_entry();
}

void close(Suggesting& s) {
  if (s.asking) s.source.cancel();
  s.asking = false;
  s.list.hide();
}

void put_text(Suggesting& s, const Glib::ustring& text) {
  s.putting_text = true;
  guarded([&] {
    box(s).set_text(text);
    box(s).set_position(-1);
  });
  s.putting_text = false;
}

// Text the user typed into the box: it changed while a key of this window was handled.
// The program's own text (the address of a page that loaded, a favourite opened) comes
// from no key.
bool typed_by_user(Suggesting& s) {
  const std::unique_ptr<GdkEvent, decltype(&gdk_event_free)> event(gtk_get_current_event(),
                                                                   &gdk_event_free);
  if (!event) return false;
  return event->type == GDK_KEY_PRESS && event->key.window != nullptr && s.form.get_window() &&
         gdk_window_get_toplevel(event->key.window) == s.form.get_window()->gobj() &&
         box(s).is_focus();
}

void on_text_changed(const std::shared_ptr<Suggesting>& shared) {
  Suggesting& s = *shared;
  if (s.putting_text) return;
  if (!typed_by_user(s)) {
    close(s);
    return;
  }
  s.typed = box(s).get_text();
  s.list.choose(std::nullopt);
  if (s.typed.empty()) {
    close(s);
    return;
  }
  const bool fresh = !s.asking;
  s.asking = true;
  s.source.ask(s.form, s.typed, fresh,
               [weak = std::weak_ptr<Suggesting>(shared)](std::vector<Suggestion> rows) {
                 const auto alive = weak.lock();
                 if (!alive || !alive->asking) return;
                 if (rows.empty()) {
                   alive->list.hide();
                   return;
                 }
                 alive->list.show_below(alive->form.cboURL, std::move(rows));
               });
}

// Down and Up step through the rows and back to the typed text.
void step(Suggesting& s, int by) {
  const auto count = static_cast<int>(s.list.rows().size());
  const int now = s.list.chosen() ? static_cast<int>(*s.list.chosen()) : count;
  const int next = (now + by + count + 1) % (count + 1);  // `count` stands for no row
  if (next == count) {
    s.list.choose(std::nullopt);
    put_text(s, s.typed);
  } else {
    s.list.choose(static_cast<std::size_t>(next));
    put_text(s, s.list.rows()[static_cast<std::size_t>(next)].address);
  }
}

bool on_key(Suggesting& s, const GdkEventKey* event) {
  if (!s.list.get_visible() || !box(s).is_focus()) return false;
  const guint mods = event->state & gtk_accelerator_get_default_mod_mask();
  switch (event->keyval) {
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
      if (mods != 0) return false;
      step(s, 1);
      return true;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
      if (mods != 0) return false;
      step(s, -1);
      return true;
    case GDK_KEY_Escape:
      put_text(s, s.typed);
      close(s);
      return true;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete: {
      const auto row = s.list.chosen();
      if (mods != GDK_SHIFT_MASK || !row) return false;
      if (s.list.rows()[*row].in_history) {
        s.source.forget(s.list.rows()[*row].address);
        s.list.remove_row(*row);
        put_text(s, s.typed);
        if (s.list.rows().empty()) close(s);
      }
      return true;  // never cuts the row's address out of the box
    }
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      // The box holds the chosen row's address, or what was typed: Enter presses Go on it
      // as it always did.
      close(s);
      return false;
    default:
      return false;
  }
}

}  // namespace

void attach_address_suggestions(Form1& form, AddressSuggestionSource& source) {
  auto shared = std::make_shared<Suggesting>(form, source);
  Suggesting& s = *shared;
  box(s).signal_changed().connect([shared] { guarded([&] { on_text_changed(shared); }); });
  form.signal_key_press_event().connect(
      [shared](GdkEventKey* event) {
        bool handled = false;
        guarded([&] { handled = on_key(*shared, event); });
        return handled;
      },
      false);
  s.list.signal_row_clicked.connect([&s](std::size_t row) {
    // The list is the state's own: it goes with it.
    guarded([&] {
      if (row >= s.list.rows().size()) return;
      const std::string address = s.list.rows()[row].address;
      close(s);
      put_text(s, address);
      s.form.cmdGo.clicked();
    });
  });
  // The list goes with the focus, and moves with the window.
  const auto close_list = [shared](GdkEventFocus*) -> bool {
    guarded([&] { close(*shared); });
    return false;
  };
  form.signal_focus_out_event().connect(close_list);
  box(s).signal_focus_out_event().connect(close_list);
  form.signal_configure_event().connect(
      [shared](GdkEventConfigure*) -> bool {
        guarded([&] {
          if (shared->list.get_visible()) shared->list.place_below(shared->form.cboURL);
        });
        return false;
      },
      false);
  form.signal_hide().connect([shared] { guarded([&] { close(*shared); }); });
  form.cmdGo.signal_clicked().connect([shared] { guarded([&] { close(*shared); }); }, false);
  form.cboURL.property_popup_shown().signal_changed().connect(
      [shared] { guarded([&] { close(*shared); }); });
}

}  // namespace kv
