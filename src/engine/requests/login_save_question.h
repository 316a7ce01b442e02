#pragma once

#include <webkit2/webkit2.h>

#include <memory>
#include <string>

#include "desktop/login_store.h"
#include "engine/logins/login_forms.h"
#include "engine/profile/site_permissions.h"
#include "engine/requests/permission_questions.h"

namespace Gtk {
class InfoBar;
}

namespace kv {

// Asks, in the question bar above the page, whether to keep the password of a form that a
// page submitted: "Save the password for HOST?" (Save, Never for This Site, Not Now), or
// "Update the password for USER on HOST?" when the user's kept password differs. Asks
// nothing when the same password is kept already, for a site marked "Never", when the
// user turned the offer off, or in a view whose website data is not kept (a private
// window). Without a keyring, says once per run that passwords cannot be kept. The
// question stays through the page that the form led to, and goes when the user moves on
// to another site.
class LoginSaveQuestion {
 public:
  LoginSaveQuestion(WebKitWebView* view, LoginForms& forms, PermissionQuestions& bars,
                    LoginStore& store, SitePermissions permissions = {});
  ~LoginSaveQuestion();
  LoginSaveQuestion(const LoginSaveQuestion&) = delete;
  LoginSaveQuestion& operator=(const LoginSaveQuestion&) = delete;
  LoginSaveQuestion(LoginSaveQuestion&&) = delete;
  LoginSaveQuestion& operator=(LoginSaveQuestion&&) = delete;

 private:
  static void on_load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  void consider(const SubmittedLogin& submitted);
  void ask(const SavedLogin& login, const std::string& password, bool update);
  void tell_no_keyring();
  void answer(int response);
  void close();

  WebKitWebView* view_;
  LoginForms& forms_;
  PermissionQuestions& bars_;
  LoginStore& store_;
  SitePermissions permissions_;
  std::shared_ptr<Gtk::InfoBar> bar_;
  SavedLogin asked_;
  std::string password_;    // of the login asked about, until answered
  unsigned commits_ = 0;    // pages committed since the question came up
  unsigned submitted_ = 0;  // counts submissions, so that a late answer of an old one is dropped
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kv
