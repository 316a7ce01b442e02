#pragma once

#include <gtkmm/box.h>
#include <gtkmm/overlay.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <memory>
#include <string>

#include "engine/requests/window_requests.h"

namespace kv {

class FullScreenNotice;
class LoginForms;
class LoginSaveQuestion;
class PageDialogs;
class PermissionQuestions;

// What the view's control is told of the user's answers to a page's requests.
struct PageRequestEvents {
  // A page took the whole screen (true) or gave it back.
  std::function<void(bool full)> full_screen;
  // The mouse's Back (false) or Forward (true) button over the page.
  std::function<void(bool forward)> history_button;
  // A link the user asked to open in a new window.
  std::function<void(const std::string& uri)> link_to_new_window;
  // A page asks for a window: see WindowRequests.
  std::function<OpenedWindow()> open_window;
};

// Everything a page of one view may ask of the user, each answered as its own file says:
// windows, the sites' questions (location, notifications, camera, ...) and the password
// to save in bars above the page, alerts, confirms and prompts in the program's box over
// it, print(), a private window's file choosers, desktop notifications, full screen with its
// notice, and the mouse's own requests. `area` holds the bars above `page`, which holds the view
// and what lies over it.
class PageRequests {
 public:
  PageRequests(WebKitWebView* view, Gtk::Box& area, Gtk::Overlay& page, LoginForms& forms,
               PageRequestEvents events);
  ~PageRequests();
  PageRequests(const PageRequests&) = delete;
  PageRequests& operator=(const PageRequests&) = delete;
  PageRequests(PageRequests&&) = delete;
  PageRequests& operator=(PageRequests&&) = delete;

  // The page's dialogs, which the user's navigations get past.
  [[nodiscard]] PageDialogs& dialogs() { return *dialogs_; }

 private:
  std::unique_ptr<PermissionQuestions> questions_;
  std::unique_ptr<LoginSaveQuestion> login_question_;
  std::unique_ptr<FullScreenNotice> full_screen_notice_;
  std::unique_ptr<PageDialogs> dialogs_;
  std::unique_ptr<WindowRequests> windows_;
  // The view may outlive this (a view that had the screen is kept): its late reports
  // find nobody.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kv
