#include "browser/habit_keys.h"

#include <gdk/gdkkeysyms.h>
#include <gtkmm/accelgroup.h>

#include <algorithm>

#include "browser/form1.h"
#include "browser/program_host.h"
#include "desktop/guarded.h"

namespace kv {
namespace {

// View > Text Size lists its sizes from the largest down; the control counts up from
// the smallest.
constexpr std::int32_t kLargestTextSize = 4;
constexpr std::int32_t kMediumTextSize = 2;

void press(Gtk::Button& button) {
  if (button.is_sensitive()) button.clicked();
}

void activate(Gtk::MenuItem& item) {
  if (item.is_sensitive()) item.activate();
}

void select_all_in(Gtk::Entry& box) {
  box.grab_focus();
  box.select_region(0, -1);
}

// The Back button enables Forward as it goes; it is disabled until the user's first Go,
// though the page may have a history of its own by then, which View > Go To > Back
// reaches just the same.
void back(Form1& form) {
  if (form.cmdBack.is_sensitive()) {
    form.cmdBack.clicked();
  } else {
    activate(form.mnuViewGoToBack);
  }
}

void forward(Form1& form) {
  if (form.cmdForward.is_sensitive()) {
    form.cmdForward.clicked();
  } else {
    activate(form.mnuViewGoToForward);
  }
}

// One step from the size the page has now; nothing past either end.
void text_size_step(Form1& form, std::int32_t step) {
  const std::int32_t now = form.wWeb.TextSize();
  const std::int32_t wanted = std::clamp(now + step, 0, kLargestTextSize);
  if (wanted == now) return;
  activate(form.mnuViewTextSizeFont.at(static_cast<std::size_t>(kLargestTextSize - wanted)));
}

bool on_ctrl_key(Form1& form, guint key) {
  switch (key) {
    case GDK_KEY_l:
      select_all_in(form.cboURL_entry());
      return true;
    case GDK_KEY_k:
    case GDK_KEY_e:
      select_all_in(form.txtSearch);
      return true;
    case GDK_KEY_w:
      // As the window manager's close does: this window only, through its delete event.
      form.close();
      return true;
    case GDK_KEY_f:
      activate(form.mnuEditFind);
      return true;
    case GDK_KEY_r:
      activate(form.mnuViewRefresh);
      return true;
    case GDK_KEY_d:
      activate(form.mnuFavoritesAddFavorites);
      return true;
    case GDK_KEY_plus:
    case GDK_KEY_equal:
    case GDK_KEY_KP_Add:
      text_size_step(form, 1);
      return true;
    case GDK_KEY_minus:
    case GDK_KEY_KP_Subtract:
      text_size_step(form, -1);
      return true;
    case GDK_KEY_0:
    case GDK_KEY_KP_0:
      activate(form.mnuViewTextSizeFont.at(kLargestTextSize - kMediumTextSize));
      return true;
    default:
      return false;
  }
}

bool on_alt_key(Form1& form, guint key) {
  switch (key) {
    case GDK_KEY_d:
      select_all_in(form.cboURL_entry());
      return true;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
      back(form);
      return true;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
      forward(form);
      return true;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home:
      press(form.cmdHome);
      return true;
    default:
      return false;
  }
}

bool on_plain_key(Form1& form, guint key) {
  switch (key) {
    case GDK_KEY_F6:
      select_all_in(form.cboURL_entry());
      return true;
    case GDK_KEY_Escape:
      if (form.wWeb.Busy()) press(form.cmdStop);
      // The page and the focused box still see their Escape (a page's full screen ends by it).
      return false;
    default:
      return false;
  }
}

// The key as the first keyboard layout has it, so that Ctrl+L is Ctrl+L with a Cyrillic
// or Greek layout on, as the menus' own keys are.
guint latin_key(const GdkEventKey* event) {
  guint key = gdk_keyval_to_lower(event->keyval);
  if (gdk_keyval_to_unicode(key) <= 0x7F) return key;
  guint first_layout = 0;
  if (gdk_keymap_translate_keyboard_state(gdk_keymap_get_for_display(gdk_display_get_default()),
                                          event->hardware_keycode,
                                          static_cast<GdkModifierType>(event->state), 0,
                                          &first_layout, nullptr, nullptr, nullptr) != FALSE) {
    key = gdk_keyval_to_lower(first_layout);
  }
  return key;
}

// The window sees a key before the focused control, so these keys work from the page as
// from the boxes. A page's script can make up key events for its own document only; they
// never come here.
bool on_key(Form1& form, const GdkEventKey* event) {
  const guint mods = event->state & gtk_accelerator_get_default_mod_mask();
  const guint key = latin_key(event);
  bool handled = false;
  guarded([&] {
    if (mods == GDK_CONTROL_MASK) {
      handled = on_ctrl_key(form, key);
    } else if (mods == (GDK_CONTROL_MASK | GDK_SHIFT_MASK)) {
      // Plus is a shifted key on most keyboards.
      handled = (key == GDK_KEY_plus || key == GDK_KEY_KP_Add) && on_ctrl_key(form, key);
    } else if (mods == GDK_MOD1_MASK) {
      handled = on_alt_key(form, key);
    } else if (mods == 0) {
      handled = on_plain_key(form, key);
    }
  });
  return handled;
}

// A private window's link opens in a private window.
void open_in_new_window(Form1& form, ProgramHost& host, const Glib::ustring& uri) {
  Form1* opened = nullptr;
  guarded([&] {
    opened = form.wWeb.IsPrivate() ? &host.load_private_window() : &host.load_main_window(nullptr);
  });
  if (opened == nullptr) return;
  guarded([&] { opened->wWeb.Navigate(uri); });
  guarded([&] { opened->show(); });
}

}  // namespace

void attach_habit_keys(Form1& form, ProgramHost& host) {
  form.signal_key_press_event().connect([&form](GdkEventKey* event) { return on_key(form, event); },
                                        false);
  form.wWeb.HistoryButtonPress.connect(
      [&form](bool to_forward) { guarded([&] { to_forward ? forward(form) : back(form); }); });
  form.wWeb.LinkToNewWindow.connect(
      [&form, &host](const Glib::ustring& uri) { open_in_new_window(form, host, uri); });
}

}  // namespace kv
