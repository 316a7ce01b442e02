#include "browser/full_screen.h"

#include <gdkmm/display.h>
#include <gdkmm/monitor.h>
#include <gtkmm/fixed.h>

#include <memory>
#include <vector>

#include "browser/form1.h"
#include "desktop/guarded.h"

namespace kv {
namespace {

// What the page's full screen changed, to be put back as it was.
struct PageFullScreen {
  bool active = false;
  bool menu_bar_shown = false;
  std::vector<Gtk::Widget*> hidden;
  int x = 0, y = 0, width = -1, height = -1;
  int window_width = 0, window_height = 0;
};

Gtk::Fixed* page_area_parent(Form1& form) {
  return dynamic_cast<Gtk::Fixed*>(form.wWeb.widget().get_parent());
}

void enter(Form1& form, PageFullScreen& saved) {
  Gtk::Fixed* fixed = page_area_parent(form);
  if (saved.active || fixed == nullptr) return;
  Gtk::Widget& page = form.wWeb.widget();
  saved = PageFullScreen{};
  saved.active = true;
  saved.menu_bar_shown = form.menu_bar.get_visible();
  form.get_size(saved.window_width, saved.window_height);
  form.menu_bar.hide();
  for (Gtk::Widget* child : fixed->get_children()) {
    if (child == &page || !child->get_visible()) continue;
    saved.hidden.push_back(child);
    child->hide();
  }
  saved.x = fixed->child_property_x(page);
  saved.y = fixed->child_property_y(page);
  page.get_size_request(saved.width, saved.height);
  Gdk::Rectangle screen{0, 0, page.get_allocated_width(), page.get_allocated_height()};
  if (auto window = form.get_window()) {
    if (auto monitor = form.get_display()->get_monitor_at_window(window)) {
      monitor->get_geometry(screen);
    }
  }
  fixed->move(page, 0, 0);
  page.set_size_request(screen.get_width(), screen.get_height());
}

void leave(Form1& form, PageFullScreen& saved) {
  Gtk::Fixed* fixed = page_area_parent(form);
  if (!saved.active || fixed == nullptr) return;
  saved.active = false;
  Gtk::Widget& page = form.wWeb.widget();
  fixed->move(page, saved.x, saved.y);
  page.set_size_request(saved.width, saved.height);
  for (Gtk::Widget* child : saved.hidden) child->show();
  saved.hidden.clear();
  if (saved.menu_bar_shown) form.menu_bar.show();
  // The page area grew the window to the screen's size; it shrinks back with it.
  form.resize(saved.window_width, saved.window_height);
}

bool window_full_screen(Form1& form) {
  auto window = form.get_window();
  return window && (window->get_state() & Gdk::WINDOW_STATE_FULLSCREEN) != 0;
}

}  // namespace

void attach_full_screen(Form1& form) {
  auto saved = std::make_shared<PageFullScreen>();
  form.wWeb.FullScreenChange.connect([&form, saved](bool full) {
    guarded([&] {
      if (full) {
        enter(form, *saved);
      } else {
        leave(form, *saved);
      }
    });
  });
  form.signal_key_press_event().connect(
      [&form, saved](GdkEventKey* key) {
        if (key->keyval != GDK_KEY_F11) return false;
        // The page's full screen ends by Escape, as the page says; F11 is the window's.
        if (saved->active) return true;
        guarded([&] {
          if (window_full_screen(form)) {
            form.unfullscreen();
          } else {
            form.fullscreen();
          }
        });
        return true;
      },
      false);
}

void attach_developer_tools(Form1& form) {
  form.signal_key_press_event().connect(
      [&form](GdkEventKey* key) {
        const auto mods = key->state & gtk_accelerator_get_default_mod_mask();
        if (mods != (GDK_CONTROL_MASK | GDK_SHIFT_MASK)) return false;
        if (key->keyval != GDK_KEY_I && key->keyval != GDK_KEY_i) return false;
        guarded([&] { form.wWeb.ShowDeveloperTools(); });
        return true;
      },
      false);
}

}  // namespace kv
