#pragma once

#include <sigc++/trackable.h>

#include <memory>
#include <vector>

namespace Gtk {
class Window;
}

namespace kv {

class Form1;
class ProgramHost;
class ProgramLauncher;
class frmTesters;
class frmTestr;

// The About box and the testers list, one of each for the whole program. Neither is
// modal: each blocks the window it was opened from by disabling it, and enables it
// again when it closes, by its Ok button or by its close box.
class AboutWindows : public sigc::trackable {
 public:
  AboutWindows(ProgramHost& host, ProgramLauncher& launcher);
  AboutWindows(const AboutWindows&) = delete;
  AboutWindows& operator=(const AboutWindows&) = delete;
  AboutWindows(AboutWindows&&) = delete;
  AboutWindows& operator=(AboutWindows&&) = delete;
  ~AboutWindows();

  // Help > About in `from`: disables the first main window and shows the About box.
  void show_about(Form1& from);

  // The open windows; nullptr when closed.
  [[nodiscard]] frmTesters* about_box() { return about_.get(); }
  [[nodiscard]] frmTestr* testers_list() { return testers_.get(); }

  void use_launcher(ProgramLauncher& launcher) { launcher_ = &launcher; }

 private:
  void load_about();
  void close_about();
  void show_testers();
  void close_testers();
  // A window is closed from its own handlers, so it is destroyed once they are done.
  void retire(std::unique_ptr<Gtk::Window> window);
  void drop_retired();

  ProgramHost& host_;
  ProgramLauncher* launcher_;
  std::unique_ptr<frmTesters> about_;
  std::unique_ptr<frmTestr> testers_;
  std::vector<std::unique_ptr<Gtk::Window>> retired_;
};

// Connects Help > About of a main window.
void attach_about(Form1& form, AboutWindows& about);

}  // namespace kv
