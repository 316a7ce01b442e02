#pragma once

#include <gtkmm/button.h>
#include <gtkmm/fixed.h>
#include <gtkmm/textview.h>
#include <gtkmm/window.h>

namespace kv {

// The testers list: the nicknames of the people who tested the program, and Ok.
class frmTestr : public Gtk::Window {
 public:
  frmTestr();
  frmTestr(const frmTestr&) = delete;
  frmTestr& operator=(const frmTestr&) = delete;
  frmTestr(frmTestr&&) = delete;
  frmTestr& operator=(frmTestr&&) = delete;
  ~frmTestr() override;

  [[nodiscard]] Glib::ustring text() const;

  Gtk::TextView Text1;
  Gtk::Button Command1;

 private:
  Gtk::Fixed fixed_;
};

}  // namespace kv
