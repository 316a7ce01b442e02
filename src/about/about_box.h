#pragma once

#include <gtkmm/button.h>
#include <gtkmm/fixed.h>
#include <gtkmm/image.h>
#include <gtkmm/label.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/textview.h>
#include <gtkmm/window.h>

namespace kv {

// The About box: the logo, the disclaimer, the maker's copyright line and three
// buttons. This class is the view; AboutWindows gives it its behaviour.
class frmTesters : public Gtk::Window {
 public:
  frmTesters();
  frmTesters(const frmTesters&) = delete;
  frmTesters& operator=(const frmTesters&) = delete;
  frmTesters(frmTesters&&) = delete;
  frmTesters& operator=(frmTesters&&) = delete;
  ~frmTesters() override;

  // The disclaimer's text as it stands in the box.
  [[nodiscard]] Glib::ustring text() const;

  Gtk::Button cmdOk, Command1, cmdEmail;
  Gtk::TextView Text1;
  Gtk::Image Image1;
  Gtk::Label Label2;

 private:
  void use_icon_cursor();

  Gtk::Fixed fixed_;
  Gtk::ScrolledWindow text1_scroll_;
};

}  // namespace kv
