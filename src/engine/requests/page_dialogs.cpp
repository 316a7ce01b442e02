#include "engine/requests/page_dialogs.h"

#include <glibmm/main.h>

#include <utility>

#include "desktop/guarded.h"
#include "engine/pages/crash_page.h"
#include "engine/profile/site_permissions.h"
#include "engine/profile/web_process_extension.h"
#include "engine/requests/dialog_source.h"

namespace kv {

PageDialogs::PageDialogs(WebKitWebView* view, Gtk::Overlay& area, PermissionQuestions& bars)
    : view_(view), box_(area), refused_(bars) {
  g_signal_connect(view_, "script-dialog", G_CALLBACK(on_dialog), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(on_load_changed), this);
  // After the notice of an ended page has been put up: the user's navigation replaces it.
  g_signal_connect_after(view_, "web-process-terminated", G_CALLBACK(on_terminated), this);
  box_.answered.connect([this](bool silence) {
    if (silence) silenced_ = true;
  });
}

PageDialogs::~PageDialogs() {
  g_signal_handlers_disconnect_by_data(view_, this);
  idle_.disconnect();
  held_timer_.disconnect();
  if (probe_) g_cancellable_cancel(probe_.get());
}

void PageDialogs::leave(const std::function<void()>& go) {
  going_ = go;
  if (box_.shown()) {
    silenced_ = true;
    box_.dismiss();
  }
  const bool page_shown = committed_ && webkit_web_view_is_loading(view_) == FALSE;
  go();
  // A page whose script runs on (a loop) lets neither the navigation in nor a script of ours.
  held_timer_.disconnect();
  if (!page_shown) return;
  held_timer_ = Glib::signal_timeout().connect(
      [this] {
        if (going_) guarded([&] { probe_page(); });
        return false;
      },
      static_cast<unsigned>(kHeldPageLimit.count()));
}

void PageDialogs::probe_page() {
  if (probe_) g_cancellable_cancel(probe_.get());
  probe_.reset(g_cancellable_new());
  held_timer_ = Glib::signal_timeout().connect(
      [this] {
        if (going_) guarded([&] { end_page(); });
        return false;
      },
      static_cast<unsigned>(kProbeLimit.count()));
  webkit_web_view_evaluate_javascript(view_, "0", -1, nullptr, nullptr, probe_.get(),
                                      &on_probe_answer, this);
}

void PageDialogs::on_probe_answer(GObject* view, GAsyncResult* result, gpointer self) {
  OwnedError error;
  const ObjectRef<JSCValue> value(
      webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, out(error)));
  // Cancelled, the object that asked may be gone; failed, the page proved nothing (the
  // engine answers for a page that does not).
  if (error) return;
  // The page ran it: it is not stuck, and the navigation is the engine's business (a slow
  // one, or one that a policy dropped).
  auto* dialogs = static_cast<PageDialogs*>(self);
  dialogs->held_timer_.disconnect();
  dialogs->going_ = nullptr;
}

gboolean PageDialogs::on_dialog(WebKitWebView* view, WebKitScriptDialog* dialog, gpointer self) {
  auto* dialogs = static_cast<PageDialogs*>(self);
  if (dialogs->silenced_ || dialogs->ending_) {
    // Handled and not kept, the dialog closes as Cancel would; a "leave?" lets go.
    if (webkit_script_dialog_get_dialog_type(dialog) == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM)
      webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
    // The page went on to another dialog instead of letting the user's navigation in. Its
    // process ends once this call has returned to it.
    if (dialogs->going_ && !dialogs->ending_ && !dialogs->idle_.connected()) {
      dialogs->idle_ = Glib::signal_idle().connect([dialogs] {
        guarded([&] { dialogs->end_page(); });
        return false;
      });
    }
    return TRUE;
  }
  // The page shown: the view's address names the next one as soon as it is asked for.
  std::string address = dialogs->page_address_;
  if (address.empty()) {
    const char* uri = webkit_web_view_get_uri(view);
    address = uri != nullptr ? uri : "";
  }
  guarded([&] {
    if (webkit_script_dialog_get_dialog_type(dialog) ==
        WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM) {
      // The engine asks only the page and the frames of its origin whether to leave.
      dialogs->show(dialog, page_site_name(address), "");
      return;
    }
    const DialogSource source = dialog_source(webkit_script_dialog_get_message(dialog), address,
                                              origin_of(address), dialog_mark_secret());
    if (source.kind == DialogSource::kRefused) {
      // Closed unanswered: the frame's script goes on as after Cancel.
      dialogs->refused_.show();
      return;
    }
    dialogs->show(dialog, dialog_speaker(source), source.message);
  });
  return TRUE;
}

void PageDialogs::show(WebKitScriptDialog* dialog, const std::string& speaker,
                       const std::string& message) {
  ++shown_;
  // The page waits for the user now (a "leave?" as the user's navigation began): whatever
  // they answer, the page is not holding on by itself.
  held_timer_.disconnect();
  going_ = nullptr;
  box_.show(ScriptDialogRef(webkit_script_dialog_ref(dialog)), speaker, message, shown_ >= 2);
}

void PageDialogs::on_load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
  auto* dialogs = static_cast<PageDialogs*>(self);
  if (event != WEBKIT_LOAD_COMMITTED) return;
  // Another page: the last one's dialog and silence go with it.
  dialogs->committed_ = true;
  const char* uri = webkit_web_view_get_uri(view);
  dialogs->page_address_ = uri != nullptr ? uri : "";
  dialogs->going_ = nullptr;
  dialogs->shown_ = 0;
  dialogs->silenced_ = false;
  dialogs->ending_ = false;
  guarded([&] {
    dialogs->box_.dismiss();
    dialogs->refused_.hide();
  });
}

void PageDialogs::on_terminated(WebKitWebView* /*view*/,
                                WebKitWebProcessTerminationReason /*reason*/, gpointer self) {
  auto* dialogs = static_cast<PageDialogs*>(self);
  guarded([&] { dialogs->box_.dismiss(); });
  dialogs->shown_ = 0;
  dialogs->silenced_ = false;
  dialogs->committed_ = false;
  dialogs->page_address_.clear();
  if (!std::exchange(dialogs->ending_, false)) return;
  const std::function<void()> go = std::exchange(dialogs->going_, nullptr);
  if (go) guarded(go);
}

void PageDialogs::end_page() {
  held_timer_.disconnect();
  if (ending_) return;
  ending_ = true;
  box_.dismiss();
  if (end_web_process_for_next_page(view_)) return;
  // No process to end: nothing holds the navigation any more.
  ending_ = false;
  const std::function<void()> go = std::exchange(going_, nullptr);
  if (go) go();
}

}  // namespace kv
