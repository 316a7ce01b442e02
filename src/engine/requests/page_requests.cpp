#include "engine/requests/page_requests.h"

#include <utility>

#include "desktop/login_store.h"
#include "engine/requests/desktop_notifications.h"
#include "engine/requests/full_screen_events.h"
#include "engine/requests/full_screen_notice.h"
#include "engine/requests/login_save_question.h"
#include "engine/requests/page_dialogs.h"
#include "engine/requests/page_print_requests.h"
#include "engine/requests/permission_questions.h"
#include "engine/requests/unrecorded_page_files.h"
#include "engine/requests/user_mouse_requests.h"

namespace kv {

PageRequests::PageRequests(WebKitWebView* view, Gtk::Box& area, Gtk::Overlay& page,
                           LoginForms& forms, PageRequestEvents events) {
  questions_ = std::make_unique<PermissionQuestions>(view, area);
  login_question_ =
      std::make_unique<LoginSaveQuestion>(view, forms, *questions_, desktop_login_store());
  show_notifications_on_desktop(view);
  limit_page_print_requests(view);
  if (webkit_web_view_is_ephemeral(view) != FALSE) choose_page_files_unrecorded(view);
  full_screen_notice_ = std::make_unique<FullScreenNotice>(page);
  dialogs_ = std::make_unique<PageDialogs>(view, page, *questions_);
  windows_ = std::make_unique<WindowRequests>(view, std::move(events.open_window));
  report_full_screen(view, [this, view, alive = std::weak_ptr<bool>(alive_),
                            changed = std::move(events.full_screen)](bool full) {
    if (alive.expired()) return;
    if (full) {
      const char* uri = webkit_web_view_get_uri(view);
      full_screen_notice_->show_for(uri != nullptr ? uri : "");
    } else {
      full_screen_notice_->hide();
    }
    if (changed) changed(full);
  });
  watch_user_mouse_requests(
      view, {.history_button =
                 [alive = std::weak_ptr<bool>(alive_),
                  pressed = std::move(events.history_button)](bool forward) {
                   if (!alive.expired() && pressed) pressed(forward);
                 },
             .link_to_new_window =
                 [alive = std::weak_ptr<bool>(alive_),
                  asked = std::move(events.link_to_new_window)](const std::string& uri) {
                   if (!alive.expired() && asked) asked(uri);
                 }});
}

PageRequests::~PageRequests() {
  // Nothing the view reports from here on reaches the control.
  alive_.reset();
  windows_.reset();
  dialogs_.reset();
  login_question_.reset();
  questions_.reset();
}

}  // namespace kv
