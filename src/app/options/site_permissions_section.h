#pragma once

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/frame.h>
#include <gtkmm/label.h>
#include <gtkmm/liststore.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/treeview.h>

#include "engine/profile/site_permissions.h"

namespace kv {

// The Internet Options section that lists what sites were allowed or denied and
// removes the chosen answers; the browsers ask again next time, the running ones too.
class SitePermissionsSection : public Gtk::Frame {
 public:
  explicit SitePermissionsSection(SitePermissions store = {});

  // Reads the answers afresh (a browser may have added some).
  void refresh();

  Gtk::TreeView lstSitePermissions;
  Gtk::Button cmdRemovePermission;

 private:
  struct Columns : Gtk::TreeModelColumnRecord {
    Columns() {
      add(site);
      add(permission);
      add(answer);
      add(origin);
      add(key);
    }
    Gtk::TreeModelColumn<Glib::ustring> site, permission, answer, origin, key;
  };

  void remove_selected();

  SitePermissions store_;
  Columns columns_;
  Glib::RefPtr<Gtk::ListStore> model_;
  Gtk::Box box_{Gtk::ORIENTATION_VERTICAL, 6};
  Gtk::Label text_;
  Gtk::ScrolledWindow scroller_;
};

// How a kept answer's permission is named in the list: "Location", "Camera", ...
const char* permission_title(SitePermission permission);

}  // namespace kv
