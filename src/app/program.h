#pragma once

#include <glibmm/ustring.h>
#include <sigc++/signal.h>
#include <sigc++/trackable.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "about/about_windows.h"
#include "app/program_suggestions.h"
#include "app/program_sync.h"
#include "browser/program_host.h"
#include "desktop/program_launcher.h"
#include "favorites/favorites_host.h"

namespace kv {

class DesktopServices;
class WebBrowserFactory;

// The program object: owns every window, opens main windows with their behaviour
// attached, and ends the program.
class Program : public ProgramHost, public FavoritesHost, public sigc::trackable {
 public:
  // `quit` leaves the main loop; `app_folder` holds the program file, and fav.Dat while
  // the user can write there.
  Program(DesktopServices& services, WebBrowserFactory& browsers, std::string app_folder,
          std::function<void()> quit);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  Program(Program&&) = delete;
  Program& operator=(Program&&) = delete;
  ~Program() override;

  Form1& load_main_window(WebBrowser* related) override;
  Form1& load_private_window() override;
  Form1* first_main_window() override { return first_; }
  void end_program() override;
  // Asks while a download runs; Cancel keeps everything open.
  bool may_end_program(Form1& asking) override;

  // Loads and shows the first main window.
  Form1& open_first_main_window() override;
  // Loads a main window on `address` in place of the start page (nothing loads when it is
  // empty) without showing it; the first main window when none is open.
  Form1& load_main_window_at(const Glib::ustring& address);
  // The same, shown.
  Form1& open_main_window(const Glib::ustring& address);
  // A private window on `address` (the start page when it is empty), shown; the first
  // main window when none is open.
  Form1& open_private_window(const Glib::ustring& address);

  // A main window opened, closed, or committed a page.
  sigc::signal<void()> windows_changed;
  // A main window was made, its behaviour attached and its first page asked for; it is
  // not shown yet.
  sigc::signal<void(Form1&)> window_made;
  // A main window's page changed its title.
  sigc::signal<void()> titles_changed;

  frmFav* favorites_window() override { return fav_.get(); }
  frmFav& create_favorites_window() override;
  void unload_favorites_window() override;
  [[nodiscard]] std::string favorites_file() const override { return favorites_file_; }
  [[nodiscard]] bool syncs_favorites() const override;
  void favorites_changed() override { sync_.favorites_changed(); }
  // The favourites sync in the background, once the program has started.
  [[nodiscard]] ProgramSync& favorites_sync() { return sync_; }

  [[nodiscard]] std::size_t main_window_count() const { return windows_.size(); }
  [[nodiscard]] Form1& main_window(std::size_t index) { return *windows_.at(index); }
  [[nodiscard]] bool ended() const { return ended_; }
  [[nodiscard]] const std::string& app_folder() const { return app_folder_; }
  [[nodiscard]] DesktopServices& services() override { return services_; }
  [[nodiscard]] AboutWindows& about_windows() { return about_; }

  // Other programs are started through `launcher` instead of the desktop's own; set
  // before any window opens.
  void use_program_launcher(ProgramLauncher& launcher);

 private:
  Form1& make_main_window(WebBrowser* related, const Glib::ustring& address,
                          bool private_window = false);
  void attach_behaviour(Form1& form);
  void on_main_window_closed(Form1& form);

  DesktopServices& services_;
  WebBrowserFactory& browsers_;
  std::string app_folder_;
  std::string favorites_file_;
  std::function<void()> quit_;
  std::vector<std::unique_ptr<Form1>> windows_;
  Form1* first_ = nullptr;
  std::unique_ptr<frmFav> fav_;
  bool ended_ = false;
  DesktopProgramLauncher desktop_launcher_{app_folder_};
  ProgramLauncher* launcher_ = &desktop_launcher_;
  AboutWindows about_{*this, desktop_launcher_};
  ProgramSuggestions suggestions_{*this};
  ProgramSync sync_{*this};
};

}  // namespace kv
