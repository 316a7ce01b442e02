#include "app/options/passwords_section.h"

#include <algorithm>
#include <vector>

#include "desktop/control_name.h"
#include "desktop/internet_settings.h"

namespace kv {
namespace {

constexpr const char* kNeverText = "Never saved";

}  // namespace

PasswordsSection::PasswordsSection(LoginStore& store, SitePermissions permissions)
    : store_(store),
      permissions_(std::move(permissions)),
      model_(Gtk::ListStore::create(columns_)) {
  set_label("Passwords");
  set_control_name(chkOfferToSave, "chkOfferToSave");
  chkOfferToSave.set_label("_Offer to save passwords");
  chkOfferToSave.set_use_underline(true);
  chkOfferToSave.set_active(offer_to_save_passwords());

  set_control_name(lstSavedPasswords, "lstSavedPasswords");
  lstSavedPasswords.set_model(model_);
  lstSavedPasswords.append_column("Site", columns_.site);
  lstSavedPasswords.append_column("User name", columns_.user);
  lstSavedPasswords.get_selection()->set_mode(Gtk::SELECTION_MULTIPLE);
  scroller_.set_policy(Gtk::POLICY_NEVER, Gtk::POLICY_AUTOMATIC);
  scroller_.set_shadow_type(Gtk::SHADOW_IN);
  scroller_.set_min_content_height(80);
  scroller_.add(lstSavedPasswords);

  set_control_name(lblPasswordsState, "lblPasswordsState");
  lblPasswordsState.set_xalign(0.0F);
  lblPasswordsState.set_line_wrap(true);
  lblPasswordsState.set_max_width_chars(60);

  set_control_name(cmdRemovePassword, "cmdRemovePassword");
  cmdRemovePassword.set_label("_Remove");
  cmdRemovePassword.set_use_underline(true);
  cmdRemovePassword.set_sensitive(false);
  set_control_name(cmdRemoveAllPasswords, "cmdRemoveAllPasswords");
  cmdRemoveAllPasswords.set_label("Remove _All");
  cmdRemoveAllPasswords.set_use_underline(true);
  buttons_.pack_start(cmdRemovePassword, Gtk::PACK_SHRINK);
  buttons_.pack_start(cmdRemoveAllPasswords, Gtk::PACK_SHRINK);

  box_.set_border_width(8);
  box_.pack_start(chkOfferToSave, Gtk::PACK_SHRINK);
  box_.pack_start(scroller_, Gtk::PACK_EXPAND_WIDGET);
  box_.pack_start(lblPasswordsState, Gtk::PACK_SHRINK);
  box_.pack_start(buttons_, Gtk::PACK_SHRINK);
  add(box_);

  lstSavedPasswords.get_selection()->signal_changed().connect([this] {
    cmdRemovePassword.set_sensitive(lstSavedPasswords.get_selection()->count_selected_rows() > 0);
  });
  cmdRemovePassword.signal_clicked().connect([this] { remove_selected(); });
  cmdRemoveAllPasswords.signal_clicked().connect([this] { remove_all(); });
  // The keyring is asked only once the user looks at the list: a locked one may ask for
  // its password, and a user setting the home page has no reason to see that.
  signal_map().connect([this] { refresh(); });
}

bool PasswordsSection::apply() const {
  if (chkOfferToSave.get_active() == offer_to_save_passwords()) return true;
  return save_offer_to_save_passwords(chkOfferToSave.get_active());
}

void PasswordsSection::refresh() {
  if (!get_mapped()) return;
  const unsigned number = ++reading_;
  store_.find("", [this, alive = std::weak_ptr<bool>(alive_),
                   number](std::optional<std::vector<SavedLogin>> found) {
    if (alive.expired() || number != reading_) return;
    model_->clear();
    std::vector<SavedLogin> logins = found.value_or(std::vector<SavedLogin>{});
    std::sort(logins.begin(), logins.end(), [](const SavedLogin& a, const SavedLogin& b) {
      return a.origin != b.origin ? a.origin < b.origin : a.user < b.user;
    });
    for (const SavedLogin& login : logins) {
      auto row = *model_->append();
      row[columns_.site] = origin_display_name(login.origin);
      row[columns_.user] = login.user;
      row[columns_.origin] = login.origin;
      row[columns_.login_user] = login.user;
      row[columns_.never] = false;
    }
    for (const PermissionDecision& decision : permissions_.all()) {
      if (decision.permission != SitePermission::kSavePasswords || decision.allowed) continue;
      auto row = *model_->append();
      row[columns_.site] = origin_display_name(decision.origin);
      row[columns_.user] = kNeverText;
      row[columns_.origin] = decision.origin;
      row[columns_.never] = true;
    }
    lblPasswordsState.set_text(found ? "Kept in the desktop's keyring."
                                     : "Passwords cannot be kept: the desktop's keyring is not "
                                       "running, or stayed locked.");
    cmdRemoveAllPasswords.set_sensitive(!logins.empty());
  });
}

void PasswordsSection::remove_selected() {
  auto left = std::make_shared<int>(1);
  auto done = [this, alive = std::weak_ptr<bool>(alive_), left](bool) {
    if (--*left == 0 && !alive.expired()) refresh();
  };
  for (const Gtk::TreeModel::Path& path : lstSavedPasswords.get_selection()->get_selected_rows()) {
    const auto row = *model_->get_iter(path);
    const Glib::ustring origin = row[columns_.origin];
    if (row[columns_.never]) {
      permissions_.forget(origin, SitePermission::kSavePasswords);
      continue;
    }
    const Glib::ustring user = row[columns_.login_user];
    ++*left;
    store_.remove({origin, "", user}, done);
  }
  done(true);
}

void PasswordsSection::remove_all() {
  store_.remove({}, [this, alive = std::weak_ptr<bool>(alive_)](bool) {
    if (!alive.expired()) refresh();
  });
}

}  // namespace kv
