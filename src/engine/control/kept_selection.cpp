#include "engine/control/kept_selection.h"

#include <memory>
#include <string>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

// Our scripts run in a world of their own, out of the page's reach.
constexpr const char* kWorld = "kestrivane-selection";
constexpr const char* kInstalledKey = "kv-kept-selection";

// The view tells the page when the keyboard focus leaves it and comes back, in order
// with the engine's own messages: the page's own view of its focus is updated later, and
// a collapse from outside often arrives before it. A collapse while the page is in the
// background, or just back, came from outside and keeps the range; the user's clicks
// and keys in the page, Select None and the page's own later collapses drop it.
constexpr const char* kKeeperScript = R"JS(
(() => {
  const mark = 'kv-kept-selection';
  const settleMs = 500;
  let kept = null;
  let away = !document.hasFocus();
  let backAt = 0;
  const show = (range) => {
    if (!window.CSS || !CSS.highlights || !window.Highlight) return;
    if (range) CSS.highlights.set(mark, new Highlight(range)); else CSS.highlights.delete(mark);
  };
  const forget = () => { kept = null; show(null); };
  window.kvPageAway = (isAway) => {
    away = isAway;
    if (!isAway) backAt = performance.now();
  };
  window.kvForgetSelection = forget;
  addEventListener('mousedown', forget, true);
  addEventListener('keydown', forget, true);
  document.addEventListener('selectionchange', () => {
    const selection = getSelection();
    if (selection.rangeCount > 0 && !selection.isCollapsed) {
      kept = selection.getRangeAt(0).cloneRange();
      show(null);
    } else if (kept && away) {
      show(kept);
    } else if (kept && performance.now() - backAt >= settleMs) {
      forget();
    }
  });
  // Takes the kept range up again if the live one was taken away, then tells whether
  // there is anything for Cut or Copy to act on.
  window.kvSelectionToActOn = () => {
    const selection = getSelection();
    if (kept && selection.isCollapsed && kept.startContainer.isConnected) {
      selection.removeAllRanges();
      selection.addRange(kept);
      show(null);
    }
    const active = document.activeElement;
    // A text field keeps its selection to itself, and a frame's is out of sight: those
    // the engine judges on its own.
    if (active instanceof HTMLInputElement || active instanceof HTMLTextAreaElement) {
      return active.selectionStart === null || active.selectionStart !== active.selectionEnd;
    }
    if (active instanceof HTMLIFrameElement || active instanceof HTMLFrameElement) return true;
    return !selection.isCollapsed;
  };
})();
)JS";

// The inactive selection's colour, as the engine paints a selection in the background.
constexpr const char* kKeptStyle = "::highlight(kv-kept-selection) { background-color: #c8c8c8; }";

struct PendingCommand {
  ObjectRef<WebKitWebView> view;
  std::string command;
  gulong destroy_handler = 0;
  bool destroyed = false;
};

void tell_page(WebKitWebView* view, const char* script) {
  webkit_web_view_evaluate_javascript(view, script, -1, kWorld, nullptr, nullptr, nullptr, nullptr);
}

gboolean on_focus_out(GtkWidget* view, GdkEvent* /*event*/, gpointer /*data*/) {
  tell_page(WEBKIT_WEB_VIEW(view), "kvPageAway(true)");
  return FALSE;
}

gboolean on_focus_in(GtkWidget* view, GdkEvent* /*event*/, gpointer /*data*/) {
  tell_page(WEBKIT_WEB_VIEW(view), "kvPageAway(false)");
  return FALSE;
}

void finish(PendingCommand* pending) {
  g_signal_handler_disconnect(pending->view.get(), pending->destroy_handler);
  delete pending;  // NOLINT(cppcoreguidelines-owning-memory): owned by the pending call
}

void on_answer(GObject* view, GAsyncResult* result, gpointer data) {
  auto* pending = static_cast<PendingCommand*>(data);
  const ObjectRef<JSCValue> value(
      webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, nullptr));
  // The engine itself reports Cut and Copy as possible with nothing selected (and then
  // empties the clipboard), so only the page can tell. A page that cannot answer gets
  // the command as before.
  const bool nothing = value && jsc_value_is_boolean(value.get()) != FALSE &&
                       jsc_value_to_boolean(value.get()) == FALSE;
  if (!nothing && !pending->destroyed) {
    webkit_web_view_execute_editing_command(pending->view.get(), pending->command.c_str());
  }
  finish(pending);
}

}  // namespace

void keep_selection_in_background(WebKitWebView* view) {
  g_signal_connect(view, "focus-out-event", G_CALLBACK(on_focus_out), nullptr);
  g_signal_connect(view, "focus-in-event", G_CALLBACK(on_focus_in), nullptr);

  WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(view);
  // Views opened by a page share their opener's content manager.
  if (content == nullptr || g_object_get_data(G_OBJECT(content), kInstalledKey) != nullptr) return;
  g_object_set_data(G_OBJECT(content), kInstalledKey, GINT_TO_POINTER(1));

  const std::unique_ptr<WebKitUserScript, decltype(&webkit_user_script_unref)> script(
      webkit_user_script_new_for_world(kKeeperScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                       WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kWorld, nullptr,
                                       nullptr),
      &webkit_user_script_unref);
  webkit_user_content_manager_add_script(content, script.get());

  const std::unique_ptr<WebKitUserStyleSheet, decltype(&webkit_user_style_sheet_unref)> style(
      webkit_user_style_sheet_new(kKeptStyle, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                  WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr),
      &webkit_user_style_sheet_unref);
  webkit_user_content_manager_add_style_sheet(content, style.get());
}

void forget_kept_selection(WebKitWebView* view) {
  tell_page(view, "kvForgetSelection()");
}

void run_on_selection(WebKitWebView* view, const char* command) {
  auto* pending = new PendingCommand{ref_object(view), command};
  pending->destroy_handler = g_signal_connect_swapped(
      view, "destroy", G_CALLBACK(+[](PendingCommand* p) { p->destroyed = true; }), pending);
  webkit_web_view_evaluate_javascript(view, "kvSelectionToActOn()", -1, kWorld, nullptr, nullptr,
                                      on_answer, pending);
}

}  // namespace kv
