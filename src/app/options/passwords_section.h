#pragma once

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/frame.h>
#include <gtkmm/label.h>
#include <gtkmm/liststore.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/treeview.h>

#include <memory>

#include "desktop/login_store.h"
#include "engine/profile/site_permissions.h"

namespace kv {

// The Internet Options section for passwords: whether the browser offers to save them
// (kept with OK or Apply), the accounts kept in the desktop's keyring (site and user name,
// never the password) with Remove and Remove All, and the sites marked "Never", which
// Remove takes off too. Removals act at once, in the running browsers as well: they ask
// the keyring and the permissions file afresh each time.
class PasswordsSection : public Gtk::Frame {
 public:
  explicit PasswordsSection(LoginStore& store = desktop_login_store(),
                            SitePermissions permissions = {});

  // Reads the accounts and the "Never" sites afresh, while the section is shown.
  void refresh();
  // Keeps the offer's setting; false when it could not be written.
  [[nodiscard]] bool apply() const;

  Gtk::CheckButton chkOfferToSave;
  Gtk::TreeView lstSavedPasswords;
  Gtk::Button cmdRemovePassword, cmdRemoveAllPasswords;
  Gtk::Label lblPasswordsState;

 private:
  struct Columns : Gtk::TreeModelColumnRecord {
    Columns() {
      add(site);
      add(user);
      add(origin);
      add(login_user);
      add(never);
    }
    Gtk::TreeModelColumn<Glib::ustring> site, user, origin, login_user;
    Gtk::TreeModelColumn<bool> never;
  };

  void remove_selected();
  void remove_all();

  LoginStore& store_;
  SitePermissions permissions_;
  Columns columns_;
  Glib::RefPtr<Gtk::ListStore> model_;
  Gtk::Box box_{Gtk::ORIENTATION_VERTICAL, 6};
  Gtk::Box buttons_{Gtk::ORIENTATION_HORIZONTAL, 6};
  Gtk::ScrolledWindow scroller_;
  unsigned reading_ = 0;  // the latest read of the keyring; older answers are dropped
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kv
