#pragma once

#include <gtkmm/box.h>
#include <webkit2/webkit2.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/glib_handles.h"
#include "engine/profile/site_permissions.h"

namespace Gtk {
class InfoBar;
}

namespace kv {

// Answers what a page asks of the user (location, notifications, camera, ...): from the
// remembered decisions when there is one, otherwise by a question bar above the page,
// which the page cannot reach, move or cover, and which covers none of the page.
// Questions of one kind from one page are answered together; each kind gets a bar of its
// own, stacked. A question belongs to the page that asked: the start and the commit of
// another page deny it and take its bar away, and what a page asks while another is on
// its way in is denied at once. A question names the site that asked; one whose site is
// not known is denied unasked. A private window's questions are answered for the page
// alone: nothing is remembered, and "Remember this decision" is not offered.
class PermissionQuestions {
 public:
  // The bars go first in `area`, the page area that holds `view` below them, which
  // outlives this object's use of it.
  PermissionQuestions(WebKitWebView* view, Gtk::Box& area, SitePermissions store = {});
  ~PermissionQuestions();  // denies what is still asked
  PermissionQuestions(const PermissionQuestions&) = delete;
  PermissionQuestions& operator=(const PermissionQuestions&) = delete;
  PermissionQuestions(PermissionQuestions&&) = delete;
  PermissionQuestions& operator=(PermissionQuestions&&) = delete;

  // How many bars are shown.
  [[nodiscard]] std::size_t asked() const { return questions_.size(); }

  // A question of the program's own (saving a password) among the sites' questions. It is
  // no site's request: it stays through loads until its owner takes it away.
  void add_bar(Gtk::InfoBar& bar);
  void remove_bar(Gtk::InfoBar& bar);

 private:
  // Who asks, as the question names them.
  struct Asker {
    std::string key;     // tells questions of one kind apart
    std::string origin;  // empty: not one to remember
    std::string words;   // "127.0.0.1:8080"
  };

  struct Question {
    SitePermission permission;
    std::string key;
    std::string origin;
    std::vector<ObjectRef<WebKitPermissionRequest>> requests;
    std::unique_ptr<Gtk::InfoBar> bar;
  };

  static gboolean on_request(WebKitWebView* view, WebKitPermissionRequest* request, gpointer self);
  static gboolean on_query(WebKitWebView* view, WebKitPermissionStateQuery* query, gpointer self);
  static void on_load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  // The site of the page, or nothing when it has none to name and hold to its answer.
  static std::optional<Asker> page_asker(WebKitWebView* view, WebKitPermissionRequest* request,
                                         SitePermission permission);
  // What the page's frames tell of who asked: the page, a frame of another site, or nobody
  // known (nothing).
  static std::optional<Asker> asker_among_frames(const Asker& page,
                                                 const std::optional<std::string>& frame);

  void decide(WebKitPermissionRequest* request, SitePermission permission,
              const std::optional<Asker>& asker);

  void ask(WebKitPermissionRequest* request, SitePermission permission, const Asker& asker);
  void answer(Question* question, bool allow, bool remember);
  void deny_all();

  WebKitWebView* view_;
  Gtk::Box stack_{Gtk::ORIENTATION_VERTICAL};
  SitePermissions store_;
  // A private window's view neither reads nor keeps decisions: each is asked.
  bool remembers_;
  std::vector<std::unique_ptr<Question>> questions_;
  bool page_leaving_ = false;  // between a load's start and its commit or end
  unsigned page_number_ = 0;   // counts the loads started and committed
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kv
