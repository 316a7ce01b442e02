#include "app/program.h"

#include <glibmm/main.h>

#include <algorithm>

#include "about/launchers.h"
#include "app/close_question.h"
#include "browser/address_suggestions.h"
#include "browser/clock.h"
#include "browser/form1.h"
#include "browser/full_screen.h"
#include "browser/habit_keys.h"
#include "browser/navigation.h"
#include "browser/page_events.h"
#include "browser/popup_blocker.h"
#include "browser/startup.h"
#include "browser/window_commands.h"
#include "desktop/guarded.h"
#include "desktop/user_paths.h"
#include "engine/control/web_browser.h"
#include "favorites/add_favorite.h"
#include "favorites/fav_window.h"
#include "favorites/folder_panes.h"
#include "favorites/frm_fav.h"
#include "favorites/import_export.h"
#include "page/edit_mode.h"
#include "page/page_commands.h"
#include "page/text_size.h"
#include "shell/shell_folders.h"
#include "sync/sync_settings.h"
#include "theme/color_theme.h"

namespace kv {

Program::Program(DesktopServices& services, WebBrowserFactory& browsers, std::string app_folder,
                 std::function<void()> quit)
    : services_(services),
      browsers_(browsers),
      app_folder_(std::move(app_folder)),
      favorites_file_(favorites_file_path(app_folder_)),
      quit_(std::move(quit)) {}

Program::~Program() {
  // Windows go before the services and factories they use.
  fav_.reset();
  windows_.clear();
}

Form1& Program::load_main_window(WebBrowser* related) {
  return make_main_window(related, kStartPageUrl);
}

Form1& Program::load_private_window() {
  return make_main_window(nullptr, kStartPageUrl, true);
}

Form1& Program::make_main_window(WebBrowser* related, const Glib::ustring& address,
                                 bool private_window) {
  // A window that a private window's page asks for is private too.
  const bool in_private = related != nullptr ? related->IsPrivate() : private_window;
  // The page's control first: a web process kept ready goes to it, not to the folder pane.
  std::unique_ptr<WebBrowser> page =
      in_private && related == nullptr ? browsers_.create_private() : browsers_.create(related);
  // The pane of a private window keeps nothing either.
  auto form = std::make_unique<Form1>(
      std::move(page), in_private ? browsers_.create_private() : browsers_.create(nullptr));
  Form1& added = *form;
  windows_.push_back(std::move(form));
  attach_behaviour(added);
  run_startup(added, address);
  windows_changed.emit();
  window_made.emit(added);
  return added;
}

Form1& Program::load_main_window_at(const Glib::ustring& address) {
  const bool first = first_ == nullptr;
  Form1& form = make_main_window(nullptr, address);
  if (first) first_ = &form;
  return form;
}

Form1& Program::open_main_window(const Glib::ustring& address) {
  Form1& form = load_main_window_at(address);
  form.show();
  return form;
}

Form1& Program::open_private_window(const Glib::ustring& address) {
  Form1& form = make_main_window(nullptr, address.empty() ? kStartPageUrl : address, true);
  if (first_ == nullptr) first_ = &form;
  form.show();
  return form;
}

Form1& Program::open_first_main_window() {
  Form1& form = load_main_window(nullptr);
  first_ = &form;
  form.show();
  return form;
}

void Program::attach_behaviour(Form1& form) {
  attach_navigation(form, services_);
  attach_address_suggestions(form, suggestions_);  // ahead of the keys of habit: Escape
  attach_window_commands(form, *this);
  attach_page_events(form);
  attach_popup_blocker(form, *this);
  attach_habit_keys(form, *this);
  attach_clock(form, services_);
  attach_folder_panes(form, system_shell_folders());
  attach_color_theme(form, services_);
  attach_launchers(form, *launcher_, services_);
  attach_about(form, about_);  // ahead of the close box: a disabled window ignores it
  attach_favorites_menu(form, *this);
  attach_import_export(form, *this);
  attach_page_commands(form, services_);
  attach_text_size(form, services_);
  attach_edit_mode(form);
  // What a private window shows is never written to the session: its pages need no
  // keeping up.
  if (!form.wWeb.IsPrivate()) {
    form.wWeb.NavigateComplete2.connect([this](const Glib::ustring&) { windows_changed.emit(); });
    form.wWeb.TitleChange.connect([this](const Glib::ustring&) { titles_changed.emit(); });
  }
  attach_full_screen(form);
  attach_developer_tools(form);
  // The close box closes this window only; the last one asks first while a download runs.
  form.signal_delete_event().connect(
      [this, &form](GdkEventAny*) {
        if (last_open_window(windows_, form) && !may_end_program(form)) {
          return true;
        }
        form.hide();
        return true;
      },
      false);
  form.signal_hide().connect([this, &form] { on_main_window_closed(form); });
}

void Program::on_main_window_closed(Form1& form) {
  if (ended_) return;
  if (first_ == &form) first_ = nullptr;
  // The window is destroyed once the handler that closed it has returned.
  // Tracked, so that it never runs once the program object has gone.
  Glib::signal_idle().connect_once(sigc::track_obj(
      [this, closed = &form] {
        std::erase_if(windows_, [closed](const auto& w) { return w.get() == closed; });
      },
      *this));
  const bool any_open = std::any_of(windows_.begin(), windows_.end(), [&form](const auto& w) {
    return w.get() != &form && w->get_visible();
  });
  windows_changed.emit();
  if (!any_open) end_program();
}

void Program::use_program_launcher(ProgramLauncher& launcher) {
  launcher_ = &launcher;
  about_.use_launcher(launcher);
}

void Program::end_program() {
  if (ended_) return;
  ended_ = true;
  save_favorites_at_end(*this);
  if (fav_) guarded([&] { fav_->hide(); });
  for (auto& window : windows_) guarded([&] { window->hide(); });
  quit_();
}

bool Program::may_end_program(Form1& asking) {
  return may_end_with_downloads(services_, asking);
}

bool Program::syncs_favorites() const {
  return load_sync_settings().configured();
}

frmFav& Program::create_favorites_window() {
  fav_ = std::make_unique<frmFav>();
  return *fav_;
}

void Program::unload_favorites_window() {
  if (!fav_) return;
  guarded([&] { fav_->hide(); });
  // Unloading comes from the window's own Close button: it goes once that has returned.
  Glib::signal_idle().connect_once([unloaded = std::shared_ptr<frmFav>(std::move(fav_))] {});
}

}  // namespace kv
