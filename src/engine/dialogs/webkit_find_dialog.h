#pragma once

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>
#include <webkit2/webkit2.h>

#include "desktop/glib_handles.h"

namespace kv {

// The control's own Find dialog: a small window beside the page that finds text in it,
// forwards or backwards, with or without matching case, and says how often the text
// occurs or that it does not occur at all. One per browser control; it stays open while
// the user goes on working in the page.
class FindDialog : public Gtk::Window {
 public:
  explicit FindDialog(WebKitWebView* view);
  FindDialog(const FindDialog&) = delete;
  FindDialog& operator=(const FindDialog&) = delete;
  FindDialog(FindDialog&&) = delete;
  FindDialog& operator=(FindDialog&&) = delete;
  ~FindDialog() override;

  // Finds the next (or previous) place of the text, starting a new search when the
  // text or Match case changed since the last one.
  void find(bool backwards);

  Gtk::Entry text;
  Gtk::Button find_next{"Find _Next", true};
  Gtk::Button find_previous{"Find _Previous", true};
  Gtk::CheckButton match_case{"Match _case", true};
  Gtk::Button close_button{"_Close", true};
  // "3 matches", or that the text was not found.
  Gtk::Label status;

 private:
  static void on_counted(WebKitFindController* finder, guint count, gpointer self);
  static void on_failed(WebKitFindController* finder, gpointer self);
  void forget_search();

  const ObjectRef<WebKitFindController> finder_;
  gulong counted_handler_ = 0;
  gulong failed_handler_ = 0;
  sigc::connection hide_connection_;
  Glib::ustring searched_;  // the text of the search in progress, "" when none
  bool searched_match_case_ = false;

  Gtk::Box layout_{Gtk::ORIENTATION_VERTICAL, 6};
  Gtk::Box text_row_{Gtk::ORIENTATION_HORIZONTAL, 6};
  Gtk::Box buttons_{Gtk::ORIENTATION_HORIZONTAL, 6};
  Gtk::Label text_caption_{"Fi_nd what:", true};
};

// Shows the view's Find dialog, transient for the view's window; made on first use and
// kept (hidden when closed) until the view goes. Does nothing without a page.
void show_find_dialog(WebKitWebView* view);

// The view's Find dialog, or nullptr when it was never shown.
FindDialog* find_dialog_for(WebKitWebView* view);

}  // namespace kv
