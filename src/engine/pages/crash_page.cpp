#include "engine/pages/crash_page.h"

#include <gtk/gtk.h>

namespace kv {
namespace {

void on_first_load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer handler) {
  if (event != WEBKIT_LOAD_FINISHED) return;
  g_signal_handler_disconnect(view, *static_cast<gulong*>(handler));
  GtkWidget* widget = GTK_WIDGET(view);
  if (gtk_widget_get_visible(widget) == FALSE) return;
  const bool focused = gtk_widget_has_focus(widget) != FALSE;
  gtk_widget_hide(widget);
  gtk_widget_show(widget);
  if (focused) gtk_widget_grab_focus(widget);
}

}  // namespace

// The engine draws nothing of the web process that it starts after one ended until the
// view is shown again: without this the last picture of the ended page would stay.
void redraw_after_first_load(WebKitWebView* view) {
  auto* handler = new gulong(0);
  *handler = g_signal_connect_data(
      view, "load-changed", G_CALLBACK(on_first_load_changed), handler,
      [](gpointer data, GClosure* /*closure*/) { delete static_cast<gulong*>(data); },
      G_CONNECT_DEFAULT);
}

namespace {

constexpr const char* kEndedForNextPage = "kv-ended-for-next-page";

void on_terminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason,
                   gpointer /*data*/) {
  // A view on its way out has nobody to tell.
  if (gtk_widget_in_destruction(GTK_WIDGET(view)) != FALSE) return;
  redraw_after_first_load(view);
  if (g_object_steal_data(G_OBJECT(view), kEndedForNextPage) != nullptr) return;
  const char* uri = webkit_web_view_get_uri(view);
  const std::string address = uri != nullptr ? uri : "";
  show_notice(view, address, crash_notice(address, reason));
}

}  // namespace

std::string termination_reason_text(WebKitWebProcessTerminationReason reason) {
  switch (reason) {
    case WEBKIT_WEB_PROCESS_CRASHED:
      return "The page crashed.";
    case WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT:
      return "The page used too much memory and was closed.";
    case WEBKIT_WEB_PROCESS_TERMINATED_BY_API:
      return "The page was ended.";
  }
  return "The page was ended.";
}

Notice crash_notice(const std::string& address, WebKitWebProcessTerminationReason reason) {
  Notice notice;
  notice.kind = "crash";
  notice.title = "Page stopped working";
  notice.heading = "This page stopped working";
  if (!address.empty()) notice.paragraphs.push_back(address);
  notice.paragraphs.push_back(termination_reason_text(reason));
  notice.paragraphs.emplace_back(
      "Other windows are not affected. Reload the page to try again; anything you had typed "
      "into it is lost.");
  // Refresh reloads the same address: the notice stands under it.
  notice.links.push_back({"Reload", [](WebKitWebView* view) { webkit_web_view_reload(view); }});
  return notice;
}

void show_ended_pages(WebKitWebView* view) {
  g_signal_connect(view, "web-process-terminated", G_CALLBACK(on_terminated), nullptr);
}

bool end_web_process_for_next_page(WebKitWebView* view) {
  g_object_set_data(G_OBJECT(view), kEndedForNextPage, GINT_TO_POINTER(1));
  webkit_web_view_terminate_web_process(view);
  // The engine tells of the end before it returns; the mark is gone once it has.
  return g_object_steal_data(G_OBJECT(view), kEndedForNextPage) == nullptr;
}

}  // namespace kv
