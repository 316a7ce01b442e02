#pragma once

#include <sigc++/connection.h>
#include <webkit2/webkit2.h>

#include <chrono>
#include <functional>
#include <string>

#include "desktop/glib_handles.h"
#include "engine/requests/refused_dialog_notice.h"
#include "engine/requests/script_dialog_box.h"

namespace Gtk {
class Overlay;
}

namespace kv {

// A page's alert, confirm and prompt are named by whoever asked: the page's site, or the
// site of the frame of another origin that asked ("127.0.0.1:8001, in a frame of this
// page, says:"). A frame that cannot be named so (sandboxed, a data: address) is refused
// as Cancel would answer, and a line above the page says so.
//
// A page's alert, confirm and prompt hold its script, and with it every navigation the
// user asks for, until answered: a page that raises them in a loop would hold its window
// for good. So the user's own way out always works:
// - From a page's second dialog on, the box offers to keep its later dialogs away; they
//   are then answered unseen (as Cancel would) until another page comes.
// - A navigation of the user's (a typed address, Back, Home, Refresh...) answers the open
//   dialog the same way and keeps the page's later ones away.
// - A page that still holds on has its web process ended, and the user's navigation goes
//   ahead in a new one: one that raises another dialog while the user waits to leave it,
//   or one whose script, when no page has come within kHeldPageLimit, does not let a
//   script of ours run within kProbeLimit either.
class PageDialogs {
 public:
  static constexpr std::chrono::milliseconds kHeldPageLimit{2000};
  static constexpr std::chrono::milliseconds kProbeLimit{1000};

  // `area` holds `view`; both outlive this object, as do `bars`, where a refused dialog
  // is told of.
  PageDialogs(WebKitWebView* view, Gtk::Overlay& area, PermissionQuestions& bars);
  ~PageDialogs();
  PageDialogs(const PageDialogs&) = delete;
  PageDialogs& operator=(const PageDialogs&) = delete;
  PageDialogs(PageDialogs&&) = delete;
  PageDialogs& operator=(PageDialogs&&) = delete;

  // The user asks for another page (or this one again); `go` asks the engine for it.
  void leave(const std::function<void()>& go);

  [[nodiscard]] ScriptDialogBox& box() { return box_; }

 private:
  static gboolean on_dialog(WebKitWebView* view, WebKitScriptDialog* dialog, gpointer self);
  static void on_load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static void on_probe_answer(GObject* view, GAsyncResult* result, gpointer self);
  static void on_terminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason,
                            gpointer self);

  // Shows a dialog of the page, or of a frame, from `speaker`.
  void show(WebKitScriptDialog* dialog, const std::string& speaker, const std::string& message);
  // Asks the page to run a script of ours, and ends it when it cannot.
  void probe_page();
  // Ends the page's web process; the user's navigation follows once the engine has told.
  void end_page();

  WebKitWebView* view_;
  ScriptDialogBox box_;
  RefusedDialogNotice refused_;    // a frame of no nameable site asked
  int shown_ = 0;                  // dialogs the page has shown since it came
  bool silenced_ = false;          // its later dialogs are answered unseen
  bool ending_ = false;            // its process is being ended
  bool committed_ = false;         // a page has come since the process started
  std::string page_address_;       // of the page shown, as it came
  std::function<void()> going_;    // the user's navigation, until a page comes
  sigc::connection idle_;          // the end of a page that holds on, once its call returned
  sigc::connection held_timer_;    // runs out when the page's script lets nothing in
  ObjectRef<GCancellable> probe_;  // a script of ours that a page with a free moment runs
};

}  // namespace kv
