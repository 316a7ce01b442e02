#include "engine/logins/login_filling.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace kv {

LoginFilling::LoginFilling(WebKitWebView* view, LoginForms& forms, LoginStore& store)
    : popup(view), view_(view), forms_(forms), store_(store) {
  forms_.field_chosen = [this](const LoginField& field) { offer(field); };
  g_signal_connect(view_, "load-changed", G_CALLBACK(on_load_changed), this);
}

LoginFilling::~LoginFilling() {
  g_signal_handlers_disconnect_by_data(view_, this);
  forms_.field_chosen = nullptr;
}

void LoginFilling::on_load_changed(WebKitWebView* /*view*/, WebKitLoadEvent event, gpointer self) {
  auto* filling = static_cast<LoginFilling*>(self);
  if (event == WEBKIT_LOAD_STARTED || event == WEBKIT_LOAD_COMMITTED) {
    ++filling->page_number_;
    filling->popup.hide();
  }
}

void LoginFilling::offer(const LoginField& field) {
  const unsigned page = page_number_;
  const unsigned number = ++offer_number_;
  store_.find(field.origin, [this, alive = std::weak_ptr<bool>(alive_), page, number,
                             field](std::optional<std::vector<SavedLogin>> found) {
    // Gone, another page, or the user has moved on to another field meanwhile.
    if (alive.expired() || page != page_number_ || number != offer_number_ || !found) return;
    std::vector<SavedLogin> logins;
    for (SavedLogin& login : *found) {
      // Exactly this origin; one row per user name.
      if (login.origin != field.origin) continue;
      if (std::none_of(logins.begin(), logins.end(),
                       [&](const SavedLogin& kept) { return kept.user == login.user; })) {
        logins.push_back(std::move(login));
      }
    }
    std::sort(logins.begin(), logins.end(),
              [](const SavedLogin& a, const SavedLogin& b) { return a.user < b.user; });
    std::vector<std::string> users;
    for (const SavedLogin& login : logins) users.push_back(login.user);
    popup.show(users, field.place, [this, logins](std::size_t row) {
      if (row < logins.size()) pick(logins[row]);
    });
  });
}

void LoginFilling::pick(const SavedLogin& login) {
  const unsigned page = page_number_;
  store_.password(login, [this, alive = std::weak_ptr<bool>(alive_), page,
                          login](std::optional<std::string> password) {
    if (alive.expired() || page != page_number_ || !password) return;
    forms_.fill(login.origin, login.user, *password);
    wipe(*password);
  });
}

}  // namespace kv
