#pragma once

#include <gtkmm/eventbox.h>
#include <gtkmm/fixed.h>
#include <gtkmm/image.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>

#include <functional>
#include <string>

#include "desktop/timer.h"
#include "desktop/wrapped_label.h"

namespace kv {

// The start-up window: the product's name, maker and version on a dark-blue panel.
// After its interval, or at once on a click on the panel, it closes and hands over to
// the first main window; a key that types a character closes it and the program ends.
// It closes once only, so only one first main window ever opens from it.
class frmSplash : public Gtk::Window {
 public:
  frmSplash(std::function<void()> open_main_window, std::function<void()> end_program,
            unsigned interval_ms = 4000);
  frmSplash(const frmSplash&) = delete;
  frmSplash& operator=(const frmSplash&) = delete;
  frmSplash(frmSplash&&) = delete;
  frmSplash& operator=(frmSplash&&) = delete;
  ~frmSplash() override;

  [[nodiscard]] bool unloaded() const { return unloaded_; }

  Gtk::EventBox Frame1;
  Gtk::Image imgLogo;
  Gtk::Label lblCompanyProduct, lblName, lblPlatform, lblVersion, lblCompany, lblCopyright;
  WrappedLabel lblWarning;
  Timer Timer1;

 private:
  void Form_Load();
  void Timer1_Timer();
  bool Frame1_Click(GdkEventButton* event);
  bool Form_KeyPress(GdkEventKey* event);
  void unload();
  [[nodiscard]] bool over_contents(double x, double y);

  std::function<void()> open_main_window_;
  std::function<void()> end_program_;
  bool unloaded_ = false;
  Gtk::Fixed client_;
  Gtk::Fixed frame_contents_;
};

// "Version 1.0.0" for version numbers 1, 0, 0.
std::string version_caption(int major, int minor, int revision);

// Whether a key typed on the keyboard produces a character (Enter, Escape and Backspace
// included); arrows, function keys and modifiers alone do not.
bool produces_character(guint keyval, guint state);

}  // namespace kv
