#include "about/about_windows.h"

#include <glibmm/main.h>

#include "about/about_box.h"
#include "about/about_texts.h"
#include "about/launchers.h"
#include "about/testers_list.h"
#include "browser/form1.h"
#include "browser/program_host.h"
#include "desktop/guarded.h"
#include "desktop/program_launcher.h"

namespace kv {

AboutWindows::AboutWindows(ProgramHost& host, ProgramLauncher& launcher)
    : host_(host), launcher_(&launcher) {}

AboutWindows::~AboutWindows() = default;

void AboutWindows::show_about(Form1& from) {
  Form1* first = nullptr;
  guarded([&] {
    // With the first main window gone there is nothing to disable.
    first = host_.first_main_window();
    if (first != nullptr) first->set_sensitive(false);
  });
  guarded([&] {
    if (!about_) load_about();
    // Kept above the window it blocks, which cannot be used to bring it back, and
    // minimised and restored with a window that has a taskbar entry.
    about_->set_transient_for(first != nullptr ? *first : from);
    about_->present();
  });
}

void AboutWindows::load_about() {
  about_ = std::make_unique<frmTesters>();
  frmTesters& box = *about_;
  box.cmdOk.signal_clicked().connect([this] { close_about(); });
  box.cmdEmail.signal_clicked().connect([this] {
    guarded([&] {
      launcher_->Shell(std::string(launch::kNewMessage) + about_text::kAuthorAddress,
                       window_state::kMinimizedFocus);
    });
  });
  box.Command1.signal_clicked().connect([this, &box] {
    box.set_sensitive(false);
    show_testers();
  });
  // A click never leaves the caret in the disclaimer.
  box.Text1.signal_button_release_event().connect(
      [&box](GdkEventButton*) {
        box.cmdOk.grab_focus();
        return false;
      },
      false);
  box.signal_delete_event().connect(
      [this, &box](GdkEventAny*) {
        // A disabled window ignores its close box, as it ignores all other input.
        if (box.get_sensitive()) close_about();
        return true;
      },
      false);
}

void AboutWindows::close_about() {
  if (!about_) return;
  guarded([&] { about_->hide(); });
  retire(std::move(about_));
  guarded([&] {
    if (Form1* first = host_.first_main_window()) first->set_sensitive(true);
  });
}

void AboutWindows::show_testers() {
  guarded([&] {
    if (!testers_) {
      testers_ = std::make_unique<frmTestr>();
      frmTestr& list = *testers_;
      list.Command1.signal_clicked().connect([this] { close_testers(); });
      list.Text1.signal_button_release_event().connect(
          [&list](GdkEventButton*) {
            list.Command1.grab_focus();
            return false;
          },
          false);
      // Any key at all, even Shift alone, leaves the list shortened and Ok focused.
      list.Text1.signal_key_press_event().connect(
          [&list](GdkEventKey*) {
            list.Command1.grab_focus();
            list.Text1.get_buffer()->set_text(about_text::kFirstThreeTesters);
            return true;
          },
          false);
      list.signal_delete_event().connect(
          [this](GdkEventAny*) {
            close_testers();
            return true;
          },
          false);
    }
    if (about_) testers_->set_transient_for(*about_);
    testers_->present();
  });
}

void AboutWindows::close_testers() {
  if (!testers_) return;
  guarded([&] { testers_->hide(); });
  retire(std::move(testers_));
  guarded([&] {
    if (about_) about_->set_sensitive(true);
  });
}

void AboutWindows::retire(std::unique_ptr<Gtk::Window> window) {
  retired_.push_back(std::move(window));
  Glib::signal_idle().connect_once(sigc::mem_fun(*this, &AboutWindows::drop_retired));
}

void AboutWindows::drop_retired() {
  retired_.clear();
}

void attach_about(Form1& form, AboutWindows& about) {
  form.mnuHelpAbout.signal_activate().connect([&about, &form] { about.show_about(form); });
  // While the About box blocks it, the window ignores its close box too.
  form.signal_delete_event().connect([&form](GdkEventAny*) { return !form.get_sensitive(); },
                                     false);
}

}  // namespace kv
