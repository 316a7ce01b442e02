#pragma once

#include <gdk/gdk.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "desktop/glib_handles.h"
#include "engine/logins/user_acts.h"

namespace kv {

// A form with a password that a page submitted, as read from the program's world.
struct SubmittedLogin {
  std::string origin;         // of the page (and of the frame that held the form)
  std::string action_origin;  // where the form posted
  std::string user;
  std::string password;
  ~SubmittedLogin();
};

// A user name or password field that the user pressed on or tabbed into, while it could be
// seen: where it is in the view (its rectangle, in the view's own pixels), and the origin
// of its page.
struct LoginField {
  std::string origin;
  GdkRectangle place{};
};

// The sign-in forms of one view's pages, seen and filled from the program's script world
// alone: a script there watches submissions, and presses and Tabs into login fields that
// a person can see, and tells the program through a message handler that exists in that
// world only. A page can neither see that script nor reach its handler; a message without
// this run's key is ignored, and one that no act of the user's in the view (as the window
// system reported it) stands behind is the page's. Only the top page and frames of its
// own origin take part.
class LoginForms {
 public:
  explicit LoginForms(WebKitWebView* view);
  ~LoginForms();
  LoginForms(const LoginForms&) = delete;
  LoginForms& operator=(const LoginForms&) = delete;
  LoginForms(LoginForms&&) = delete;
  LoginForms& operator=(LoginForms&&) = delete;

  // A submission the page did not cancel, of a form whose password field is not empty.
  std::function<void(const SubmittedLogin&)> submitted;
  // The user pressed on a login field in sight, or tabbed into one; never a focus that
  // the page moved.
  std::function<void(const LoginField&)> field_chosen;

  // Fills the user name and password of the login field last chosen, when its frame and
  // the top page are still of `origin`; the values travel as arguments, never as script
  // text.
  void fill(const std::string& origin, const std::string& user, const std::string& password);

  [[nodiscard]] WebKitWebView* view() const { return view_; }

 private:
  static gboolean on_user_input(GtkWidget* view, GdkEvent* event, gpointer self);
  // Offers the field of a message to the view whose user's act it answers, if any.
  static void answer_field(std::vector<LoginForms*> views, JSCValue* message);
  // Whether the field's message answers this view's user's last act; claims the act.
  bool claims(JSCValue* message, const ViewBox& field, double scale);
  static void on_submit_form(WebKitWebView* view, WebKitFormSubmissionRequest* request,
                             gpointer self);
  static void on_message(WebKitUserContentManager* manager, WebKitJavascriptResult* message,
                         gpointer data);

  void read_submission(WebKitFormSubmissionRequest* request);

  WebKitWebView* view_;
  ObjectRef<WebKitUserContentManager> manager_;
  UserActs acts_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kv
