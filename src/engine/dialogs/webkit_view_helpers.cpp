#include "engine/dialogs/webkit_view_helpers.h"

#include "desktop/page_title.h"
namespace kv {

bool has_page(WebKitWebView* view) {
  return view != nullptr && webkit_web_view_get_uri(view) != nullptr;
}

GtkWindow* toplevel_window_of(WebKitWebView* view) {
  if (view == nullptr) return nullptr;
  GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(view));
  if (top == nullptr || gtk_widget_is_toplevel(top) == FALSE || !GTK_IS_WINDOW(top)) {
    return nullptr;
  }
  return GTK_WINDOW(top);
}

Glib::ustring page_title_or_address(WebKitWebView* view) {
  if (view == nullptr) return {};
  const std::string title = shown_title(
      webkit_web_view_get_title(view) != nullptr ? webkit_web_view_get_title(view) : "");
  if (!title.empty()) return title;
  const char* uri = webkit_web_view_get_uri(view);
  return uri != nullptr ? uri : "";
}

}  // namespace kv
