#pragma once

#include <gtkmm/box.h>
#include <gtkmm/overlay.h>
#include <webkit2/webkit2.h>

#include <memory>
#include <string>
#include <vector>

#include "desktop/glib_handles.h"
#include "engine/profile/site_permissions.h"

namespace Gtk {
class InfoBar;
}

namespace kv {

// Answers what a page asks of the user (location, notifications, camera, ...): from the
// remembered decisions when there is one, otherwise by a question bar over the top of the
// page area, which the page cannot reach or move. Questions of one kind from one page
// are answered together; each kind gets a bar of its own, stacked. A question belongs
// to the page that asked: loading another page denies it and takes its bar away.
class PermissionQuestions {
 public:
  // `overlay` holds `view` and outlives this object's use of it.
  PermissionQuestions(WebKitWebView* view, Gtk::Overlay& overlay, SitePermissions store = {});
  ~PermissionQuestions();  // denies what is still asked
  PermissionQuestions(const PermissionQuestions&) = delete;
  PermissionQuestions& operator=(const PermissionQuestions&) = delete;
  PermissionQuestions(PermissionQuestions&&) = delete;
  PermissionQuestions& operator=(PermissionQuestions&&) = delete;

  // How many bars are shown.
  [[nodiscard]] std::size_t asked() const { return questions_.size(); }

 private:
  struct Question {
    SitePermission permission;
    std::string origin;  // empty: not one to remember
    std::vector<ObjectRef<WebKitPermissionRequest>> requests;
    std::unique_ptr<Gtk::InfoBar> bar;
  };

  static gboolean on_request(WebKitWebView* view, WebKitPermissionRequest* request, gpointer self);
  static gboolean on_query(WebKitWebView* view, WebKitPermissionStateQuery* query, gpointer self);
  static void on_load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer self);

  void ask(WebKitPermissionRequest* request, SitePermission permission, const std::string& origin,
           const std::string& asker);
  void answer(Question* question, bool allow, bool remember);
  void deny_all();

  WebKitWebView* view_;
  Gtk::Box stack_{Gtk::ORIENTATION_VERTICAL};
  SitePermissions store_;
  std::vector<std::unique_ptr<Question>> questions_;
};

}  // namespace kv
