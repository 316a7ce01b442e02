#include "app/browser_app.h"

#include <glib-unix.h>
#include <glibmm/main.h>
#include <gtkmm/application.h>

#include <csignal>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/command_line.h"
#include "app/program.h"
#include "app/spare_view_demand.h"
#include "app/splash.h"
#include "browser/addresses.h"
#include "browser/form1.h"
#include "desktop/app_folder.h"
#include "desktop/glib_handles.h"
#include "desktop/gtk_desktop_services.h"
#include "desktop/guarded.h"
#include "desktop/product_art.h"
#include "desktop/program_style.h"
#include "engine/control/spare_view.h"
#include "engine/control/webkit_browser.h"
#include "engine/downloads/downloads.h"
#include "engine/downloads/unfinished_downloads.h"
#include "engine/downloads/unfinished_downloads_notice.h"
#include "engine/pages/crash_page.h"
#include "session/lost_session.h"
#include "session/session_keeper.h"
#include "session/session_store.h"

namespace kv {
namespace {

constexpr const char* kApplicationId = "example.palvenna.Kestrivane";

// A window shown as the program starts may stay without a picture of its first page
// until its view is shown again (seen with 2.50 under Xvfb); shown again once that page
// has loaded, it draws.
Form1& drawn_once_loaded(Form1& form) {
  if (auto* web = dynamic_cast<WebKitBrowser*>(&form.wWeb)) redraw_after_first_load(web->view());
  return form;
}

class BrowserApplication {
 public:
  BrowserApplication()
      : app_(Gtk::Application::create(kApplicationId, Gio::APPLICATION_HANDLES_COMMAND_LINE)) {
    app_->signal_command_line().connect(
        [this](const Glib::RefPtr<Gio::ApplicationCommandLine>& line) {
          return on_command_line(line);
        },
        false);
  }

  int run(int argc, char** argv) {
    const int status = app_->run(argc, argv);
    // The engine's processes end with the program: no partial file may stay behind.
    cancel_all_downloads();
    return status;
  }

  ~BrowserApplication() {
    // Windows go before the services and factories they use.
    splash_.reset();
    program_.reset();
    spare_demand_.reset();
  }
  BrowserApplication(const BrowserApplication&) = delete;
  BrowserApplication& operator=(const BrowserApplication&) = delete;
  BrowserApplication(BrowserApplication&&) = delete;
  BrowserApplication& operator=(BrowserApplication&&) = delete;

 private:
  int on_command_line(const Glib::RefPtr<Gio::ApplicationCommandLine>& caller) {
    int argc = 0;
    const OwnedStrv argv(g_application_command_line_get_arguments(caller->gobj(), &argc));
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv.get()[i]);
    const char* cwd = g_application_command_line_get_cwd(caller->gobj());
    const OwnedChars own_cwd(g_get_current_dir());
    const CommandLine line = parse_command_line(arguments, cwd != nullptr ? cwd : own_cwd.get());
    switch (line.action) {
      case CommandLine::Action::kHelp:
        caller->print(usage_text());
        return 0;
      case CommandLine::Action::kVersion:
        caller->print(version_text());
        return 0;
      case CommandLine::Action::kRefused:
        caller->printerr(line.error + "\n");
        return 2;
      case CommandLine::Action::kOpen:
        break;
    }
    if (!program_) {
      start(line);
    } else {
      open_more(line);
    }
    return 0;
  }

  // The first start: the program, its session, and its first windows.
  void start(const CommandLine& line) {
    install_program_style();
    install_product_icon();
    program_ = std::make_unique<Program>(services_, browsers_, application_folder(),
                                         [this] { end_cleanly(); });
    spare_demand_ = std::make_unique<SpareViewDemand>(*program_, [] { keep_spare_view(); });
    // A session that ends, or Ctrl+C in a terminal, ends the program as File > Close
    // does, so that favourites added since the last load are kept.
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
      g_unix_signal_add(
          signal,
          [](gpointer data) -> gboolean {
            return static_cast<BrowserApplication*>(data)->end_on_signal() ? G_SOURCE_REMOVE
                                                                           : G_SOURCE_CONTINUE;
          },
          this);
    }
    left_downloads_ = unfinished_downloads().take_left();
    lost_ = store_.take_left_session();
    if (lost_ && lost_->windows.empty()) lost_.reset();
    program_->windows_changed.connect([this] { keeper_.changed(); });
    program_->titles_changed.connect([this] { keeper_.title_changed(); });
    program_->favorites_sync().program_started();
    app_->hold();

    if (line.addresses.empty() && !line.private_windows) {
      show_splash();
      return;
    }
    if (lost_) offer_lost();
    if (line.private_windows) {
      if (Form1* first = open_private(line)) settle_first_window(*first);
      return;
    }
    for (const std::string& address : line.addresses) {
      Form1& form = settle_first_window(drawn_once_loaded(program_->open_main_window(address)));
      if (&form == program_->first_main_window()) spare_demand_->started_for_links(form);
    }
  }

  // Once the program's first page has loaded, the downloads that an earlier run left
  // unfinished are told.
  Form1& settle_first_window(Form1& form) {
    auto once = std::make_shared<sigc::connection>();
    *once = form.wWeb.DocumentComplete.connect([this, &form, once](const Glib::ustring&) {
      once->disconnect();
      guarded([&] { show_unfinished_downloads_notice(form, std::exchange(left_downloads_, {})); });
    });
    return form;
  }

  // Private windows on the command line's addresses, or one on the start page; returns
  // the first of them, if any opened.
  Form1* open_private(const CommandLine& line) {
    std::vector<std::string> addresses = line.addresses;
    if (addresses.empty()) addresses.emplace_back();
    Form1* first = nullptr;
    for (const std::string& address : addresses) {
      guarded([&] {
        Form1& form = drawn_once_loaded(program_->open_private_window(address));
        form.present();
        if (!first) first = &form;
      });
    }
    return first;
  }

  // A later start's command line, in the running program: no splash, no second program.
  void open_more(const CommandLine& line) {
    if (line.private_windows) {
      open_private(line);
      return;
    }
    if (line.addresses.empty()) {
      guarded([&] { drawn_once_loaded(program_->open_main_window(kStartPageUrl)).present(); });
      return;
    }
    for (const std::string& address : line.addresses) {
      guarded([&] { drawn_once_loaded(program_->open_main_window(address)).present(); });
    }
  }

  // The program starts with its splash screen, which opens the first main window or,
  // on a key, ends the program. Once closed it goes.
  void show_splash() {
    splash_ = std::make_unique<frmSplash>(
        [this] {
          if (lost_) {
            offer_lost();
          } else {
            settle_first_window(program_->open_first_main_window());
          }
        },
        [this] { program_->end_program(); });
    splash_->signal_hide().connect(
        [this] { Glib::signal_idle().connect_once([this] { splash_.reset(); }); });
    splash_->show();
    splash_->present();
  }

  // The first window shows the notice in place of its start page.
  void offer_lost() {
    Form1& form = program_->load_main_window_at("");
    offer_lost_session(
        form, *lost_,
        [this](const Glib::ustring& address) -> Form1& {
          return program_->load_main_window_at(address);
        },
        keeper_);
    lost_.reset();
    settle_first_window(form).show();
  }

  // Asks first while a download runs, as File > Close does. The desktop may not wait for
  // the answer: what the downloads received stays in their partial files meanwhile.
  bool end_on_signal() {
    if (program_->ended()) return true;
    Form1* asking = nullptr;
    for (std::size_t i = 0; i < program_->main_window_count() && asking == nullptr; ++i) {
      if (program_->main_window(i).get_visible()) asking = &program_->main_window(i);
    }
    if (downloads_in_progress() > 0) keep_partial_files_of_failures();
    if (asking != nullptr && !program_->may_end_program(*asking)) return false;
    program_->end_program();
    return true;
  }

  std::vector<SessionWindow> snapshot() {
    if (!program_) return {};
    return session_windows_of(*program_);
  }

  void end_cleanly() {
    keeper_.end();
    app_->release();
    app_->quit();
  }

  Glib::RefPtr<Gtk::Application> app_;
  GtkDesktopServices services_;
  WebKitBrowserFactory browsers_;
  SessionStore store_{default_session_folder()};
  SessionKeeper keeper_{store_, [this] { return snapshot(); }};
  std::optional<Session> lost_;
  std::vector<UnfinishedDownload> left_downloads_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<SpareViewDemand> spare_demand_;
  std::unique_ptr<frmSplash> splash_;
};

}  // namespace

std::vector<SessionWindow> session_windows_of(Program& program) {
  std::vector<SessionWindow> windows;
  for (std::size_t i = 0; i < program.main_window_count(); ++i) {
    Form1& form = program.main_window(i);
    // A private window is not kept: a crash does not bring it back.
    if (!form.get_visible() || form.wWeb.IsPrivate()) continue;
    windows.push_back(
        {form.wWeb.LocationURL().raw(), form.wWeb.LocationName().raw(), form.wWeb.SessionState()});
  }
  return windows;
}

int run_browser_application(int argc, char** argv) {
  BrowserApplication application;
  return application.run(argc, argv);
}

}  // namespace kv
