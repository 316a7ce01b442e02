#pragma once

#include <glibmm/ustring.h>
#include <gtkmm/box.h>
#include <gtkmm/label.h>
#include <sigc++/connection.h>

#include <chrono>

namespace Gtk {
class Overlay;
}

namespace kv {

// What a page that has just taken the whole screen cannot say for itself: whose page it
// is and how to leave. Shown over the top of the page area, as the program's own widget
// above the view, where no page can draw over it or take it away; it goes by itself.
class FullScreenNotice {
 public:
  static constexpr std::chrono::milliseconds kShownFor{4000};

  // `area` holds the view and outlives this object.
  explicit FullScreenNotice(Gtk::Overlay& area);
  ~FullScreenNotice();
  FullScreenNotice(const FullScreenNotice&) = delete;
  FullScreenNotice& operator=(const FullScreenNotice&) = delete;
  FullScreenNotice(FullScreenNotice&&) = delete;
  FullScreenNotice& operator=(FullScreenNotice&&) = delete;

  // Names the page at `address` for kShownFor, from now.
  void show_for(const Glib::ustring& address);
  void hide();

 private:
  Gtk::Box box_{Gtk::ORIENTATION_VERTICAL};
  Gtk::Label site_;
  Gtk::Label how_to_leave_;
  sigc::connection timer_;
};

}  // namespace kv
