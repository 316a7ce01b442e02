#include "app/options/site_permissions_section.h"

#include "desktop/control_name.h"

namespace kv {

const char* permission_title(SitePermission permission) {
  switch (permission) {
    case SitePermission::kLocation:
      return "Location";
    case SitePermission::kNotifications:
      return "Notifications";
    case SitePermission::kCamera:
      return "Camera";
    case SitePermission::kMicrophone:
      return "Microphone";
    case SitePermission::kCameraAndMicrophone:
      return "Camera and microphone";
    case SitePermission::kScreen:
      return "Screen sharing";
    case SitePermission::kPointerLock:
      return "Pointer capture";
    case SitePermission::kClipboard:
      return "Reading the clipboard";
    case SitePermission::kWebsiteData:
      return "Cookies in other sites";
    case SitePermission::kDevices:
      return "Device list";
    case SitePermission::kSavePasswords:
      return "Saving passwords";
  }
  return "";
}

SitePermissionsSection::SitePermissionsSection(SitePermissions store)
    : store_(std::move(store)), model_(Gtk::ListStore::create(columns_)) {
  set_label("Site permissions");
  text_.set_text(
      "What you allowed or denied web sites when they asked. Remove an answer to be "
      "asked again.");
  text_.set_xalign(0.0F);
  text_.set_line_wrap(true);
  text_.set_max_width_chars(60);

  set_control_name(lstSitePermissions, "lstSitePermissions");
  lstSitePermissions.set_model(model_);
  lstSitePermissions.append_column("Site", columns_.site);
  lstSitePermissions.append_column("Permission", columns_.permission);
  lstSitePermissions.append_column("Answer", columns_.answer);
  lstSitePermissions.get_selection()->set_mode(Gtk::SELECTION_MULTIPLE);
  scroller_.set_policy(Gtk::POLICY_NEVER, Gtk::POLICY_AUTOMATIC);
  scroller_.set_shadow_type(Gtk::SHADOW_IN);
  scroller_.set_min_content_height(90);
  scroller_.add(lstSitePermissions);

  set_control_name(cmdRemovePermission, "cmdRemovePermission");
  cmdRemovePermission.set_label("_Remove");
  cmdRemovePermission.set_use_underline(true);
  cmdRemovePermission.set_halign(Gtk::ALIGN_START);
  cmdRemovePermission.set_sensitive(false);

  box_.set_border_width(8);
  box_.pack_start(text_, Gtk::PACK_SHRINK);
  box_.pack_start(scroller_, Gtk::PACK_EXPAND_WIDGET);
  box_.pack_start(cmdRemovePermission, Gtk::PACK_SHRINK);
  add(box_);

  lstSitePermissions.get_selection()->signal_changed().connect([this] {
    cmdRemovePermission.set_sensitive(lstSitePermissions.get_selection()->count_selected_rows() >
                                      0);
  });
  cmdRemovePermission.signal_clicked().connect([this] { remove_selected(); });
  refresh();
}

void SitePermissionsSection::refresh() {
  model_->clear();
  for (const PermissionDecision& decision : store_.all()) {
    // Listed with the passwords.
    if (decision.permission == SitePermission::kSavePasswords) continue;
    auto row = *model_->append();
    row[columns_.site] = origin_display_name(decision.origin);
    row[columns_.permission] = permission_title(decision.permission);
    row[columns_.answer] = decision.allowed ? "Allowed" : "Denied";
    row[columns_.origin] = decision.origin;
    row[columns_.key] = permission_key(decision.permission);
  }
}

void SitePermissionsSection::remove_selected() {
  for (const Gtk::TreeModel::Path& path : lstSitePermissions.get_selection()->get_selected_rows()) {
    const auto row = *model_->get_iter(path);
    const Glib::ustring origin = row[columns_.origin];
    const Glib::ustring key = row[columns_.key];
    if (const auto permission = permission_from_key(key)) store_.forget(origin, *permission);
  }
  refresh();
}

}  // namespace kv
