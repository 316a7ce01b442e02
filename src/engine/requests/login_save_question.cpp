#include "engine/requests/login_save_question.h"

#include <glibmm/main.h>
#include <gtkmm/infobar.h>
#include <gtkmm/label.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "desktop/control_name.h"
#include "desktop/deliberate_press.h"
#include "desktop/internet_settings.h"
#include "desktop/site_name_label.h"

namespace kv {
namespace {

enum Response { kSave = 1, kNever = 2, kNotNow = 3 };

// Said once in a run, in whichever window first had a password to keep.
bool told_no_keyring = false;

std::string page_origin(WebKitWebView* view) {
  const char* uri = webkit_web_view_get_uri(view);
  return origin_of(uri != nullptr ? uri : "");
}

}  // namespace

LoginSaveQuestion::LoginSaveQuestion(WebKitWebView* view, LoginForms& forms,
                                     PermissionQuestions& bars, LoginStore& store,
                                     SitePermissions permissions)
    : view_(view), forms_(forms), bars_(bars), store_(store), permissions_(std::move(permissions)) {
  forms_.submitted = [this](const SubmittedLogin& submitted) { consider(submitted); };
  g_signal_connect(view_, "load-changed", G_CALLBACK(on_load_changed), this);
}

LoginSaveQuestion::~LoginSaveQuestion() {
  g_signal_handlers_disconnect_by_data(view_, this);
  forms_.submitted = nullptr;
  close();
}

void LoginSaveQuestion::consider(const SubmittedLogin& submitted) {
  // A private window keeps nothing of what is done in it.
  if (webkit_web_view_is_ephemeral(view_) != FALSE) return;
  if (!offer_to_save_passwords()) return;
  if (permissions_.decision(submitted.origin, SitePermission::kSavePasswords) == false) return;
  const SavedLogin login{submitted.origin, submitted.action_origin, submitted.user};
  const unsigned number = ++submitted_;
  auto still_wanted = [this, alive = std::weak_ptr<bool>(alive_), number] {
    return !alive.expired() && number == submitted_;
  };
  store_.find(login.origin, [this, still_wanted, login, password = submitted.password](
                                std::optional<std::vector<SavedLogin>> kept) mutable {
    if (!still_wanted()) return wipe(password);
    if (!kept) {
      tell_no_keyring();
      return wipe(password);
    }
    const bool known = std::any_of(kept->begin(), kept->end(),
                                   [&](const SavedLogin& k) { return k.user == login.user; });
    if (!known) {
      ask(login, password, false);
      return wipe(password);
    }
    store_.password(
        login, [this, still_wanted, login, password](std::optional<std::string> current) mutable {
          if (still_wanted() && current != password) ask(login, password, true);
          wipe(password);
          if (current) wipe(*current);
        });
  });
}

void LoginSaveQuestion::ask(const SavedLogin& login, const std::string& password, bool update) {
  close();
  asked_ = login;
  password_ = password;
  commits_ = 0;
  const std::string host = origin_display_name(login.origin);
  const std::string words = update && !login.user.empty()
                                ? "Update the password for " + login.user + " on " + host + "?"
                                : "Save the password for " + host + "?";
  bar_ = std::make_shared<Gtk::InfoBar>();
  set_control_name(*bar_, "PasswordQuestion");
  bar_->set_message_type(Gtk::MESSAGE_QUESTION);
  auto* text = Gtk::make_managed<Gtk::Label>(words);
  set_control_name(*text, "lblQuestion");
  text->set_xalign(0.0F);
  keep_site_name_whole(*text);
  if (auto* content = dynamic_cast<Gtk::Container*>(bar_->get_content_area())) content->add(*text);
  Gtk::Button* save = bar_->add_button(update ? "_Update" : "_Save", kSave);
  set_control_name(*save, "cmdSavePassword");
  // A page can make the bar come up under the user's click.
  guard_button(*save, GTK_WIDGET(view_));
  if (!update) {
    set_control_name(*bar_->add_button("_Never for This Site", kNever), "cmdNeverSavePassword");
  }
  set_control_name(*bar_->add_button("Not _Now", kNotNow), "cmdNotNow");
  bar_->signal_response().connect([this](int response) { answer(response); });
  bar_->show_all();
  bars_.add_bar(*bar_);
}

void LoginSaveQuestion::tell_no_keyring() {
  if (told_no_keyring) return;
  told_no_keyring = true;
  close();
  bar_ = std::make_shared<Gtk::InfoBar>();
  set_control_name(*bar_, "PasswordQuestion");
  bar_->set_message_type(Gtk::MESSAGE_INFO);
  auto* text = Gtk::make_managed<Gtk::Label>(
      "Passwords cannot be kept without a keyring: the desktop's keyring is not running, or "
      "stayed locked. Signing in works as before.");
  set_control_name(*text, "lblQuestion");
  text->set_xalign(0.0F);
  text->set_line_wrap(true);
  if (auto* content = dynamic_cast<Gtk::Container*>(bar_->get_content_area())) content->add(*text);
  set_control_name(*bar_->add_button("_OK", kNotNow), "cmdNotNow");
  bar_->signal_response().connect([this](int) { close(); });
  bar_->show_all();
  commits_ = 0;
  asked_ = {};
  bars_.add_bar(*bar_);
}

void LoginSaveQuestion::answer(int response) {
  const SavedLogin login = asked_;
  std::string password = std::move(password_);
  close();
  if (response == kSave) {
    store_.save(login, password, [this, alive = std::weak_ptr<bool>(alive_)](bool saved) {
      if (!saved && !alive.expired()) tell_no_keyring();
    });
  } else if (response == kNever) {
    permissions_.remember(login.origin, SitePermission::kSavePasswords, false);
  }
  wipe(password);
}

void LoginSaveQuestion::close() {
  wipe(password_);
  if (!bar_) return;
  bars_.remove_bar(*bar_);
  // Its own response handler may be running: it goes once that has returned.
  Glib::signal_idle().connect_once([gone = std::move(bar_)] {});
}

void LoginSaveQuestion::on_load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
  auto* question = static_cast<LoginSaveQuestion*>(self);
  if (event != WEBKIT_LOAD_COMMITTED || !question->bar_) return;
  // The page the form led to may be of another site (a sign-in service); a later one of
  // another site than the form's means the user has moved on.
  if (++question->commits_ > 1 && page_origin(view) != question->asked_.origin) question->close();
}

}  // namespace kv
