#pragma once

#include <webkit2/webkit2.h>

#include <memory>

#include "desktop/login_store.h"
#include "engine/logins/account_popup.h"
#include "engine/logins/login_forms.h"

namespace kv {

// Offers the accounts saved for a page's exact origin (scheme, host and port) when the
// user chooses one of its login fields, and fills the fields with the account the user
// picks. The keyring is asked only then, and the page learns nothing before the pick.
class LoginFilling {
 public:
  LoginFilling(WebKitWebView* view, LoginForms& forms, LoginStore& store);
  ~LoginFilling();
  LoginFilling(const LoginFilling&) = delete;
  LoginFilling& operator=(const LoginFilling&) = delete;
  LoginFilling(LoginFilling&&) = delete;
  LoginFilling& operator=(LoginFilling&&) = delete;

  AccountPopup popup;

 private:
  static void on_load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  void offer(const LoginField& field);
  void pick(const SavedLogin& login);

  WebKitWebView* view_;
  LoginForms& forms_;
  LoginStore& store_;
  unsigned page_number_ = 0;  // counts the loads started and committed
  unsigned offer_number_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kv
