#pragma once

#include <gtkmm/frame.h>
#include <gtkmm/listbox.h>
#include <gtkmm/window.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <string>
#include <vector>

#include "desktop/deliberate_press.h"

namespace kv {

// The program's own list of saved accounts beside a login field: a pop-up window outside
// the page, one row per user name (the row's name for screen readers), wholly on the
// screen and inside the page area. The page's keyboard focus stays where it is; while the
// list is up, Down and Up move through it and Enter picks, Escape closes it, and any
// other key or press in the page closes it too. A row is picked, by Enter as by a click,
// only by a deliberate press, once the list has been on screen long enough to be read.
class AccountPopup {
 public:
  explicit AccountPopup(WebKitWebView* view);
  ~AccountPopup();
  AccountPopup(const AccountPopup&) = delete;
  AccountPopup& operator=(const AccountPopup&) = delete;
  AccountPopup(AccountPopup&&) = delete;
  AccountPopup& operator=(AccountPopup&&) = delete;

  // `field`: the field's rectangle in the view's pixels. `picked` gets the row's number.
  // False, and no list, when there is no room for it beside the field.
  bool show(const std::vector<std::string>& users, GdkRectangle field,
            std::function<void(std::size_t)> picked);
  void hide();
  [[nodiscard]] bool shown() const { return window_.get_visible(); }

  // The list, for what reads it (screen readers, tests).
  Gtk::ListBox lstAccounts;

 private:
  static gboolean on_key(GtkWidget* view, GdkEventKey* event, gpointer self);
  static gboolean on_hiding_event(GtkWidget* widget, GdkEvent* event, gpointer self);
  void pick(std::size_t row);
  bool place(GdkRectangle field);

  WebKitWebView* view_;
  Gtk::Window window_{Gtk::WINDOW_POPUP};
  Gtk::Frame frame_;
  std::function<void(std::size_t)> picked_;
  DeliberatePress keys_;                 // Enter's, from the list's first drawing
  bool drawn_ = false;                   // since it was last shown
  const GtkWidget* toplevel_ = nullptr;  // whose moves close the list; compared only
};

}  // namespace kv
