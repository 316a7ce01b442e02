#include "platform/webkit_browser.h"

#include <gtkmm/widget.h>

#include "platform/folder_scheme.h"
#include "platform/guarded.h"
#include "platform/history_recorder.h"

namespace kv {

WebKitWebContext* shared_web_context() {
  static WebKitWebContext* context = [] {
    WebKitWebContext* made = webkit_web_context_new();
    return made;
  }();
  return context;
}

WebKitBrowser::WebKitBrowser(WebKitBrowser* related) {
  GtkWidget* view = related != nullptr ? webkit_web_view_new_with_related_view(related->view())
                                       : webkit_web_view_new_with_context(shared_web_context());
  view_ = WEBKIT_WEB_VIEW(view);
  widget_ = Gtk::manage(Glib::wrap(view));
  widget_->show();
  // First, so that its load-failed handler runs before any that stops the emission.
  record_completed_pages(view_);
  connect_events();
}

WebKitBrowser::~WebKitBrowser() = default;

Gtk::Widget& WebKitBrowser::widget() {
  return *widget_;
}

void WebKitBrowser::Navigate(const Glib::ustring& url) {
  webkit_web_view_load_uri(view_, url.c_str());
}
void WebKitBrowser::Navigate2(const std::vector<std::uint8_t>& item_id_list) {
  guarded([&] { show_shell_folder(view_, item_id_list); });
}
void WebKitBrowser::GoBack() { webkit_web_view_go_back(view_); }
void WebKitBrowser::GoForward() { webkit_web_view_go_forward(view_); }
void WebKitBrowser::GoHome() {}
void WebKitBrowser::Stop() {
  webkit_web_view_stop_loading(view_);
}
void WebKitBrowser::Refresh() {
  webkit_web_view_reload(view_);
}
void WebKitBrowser::SetDesignMode(const Glib::ustring& /*value*/) {}

Glib::ustring WebKitBrowser::LocationURL() const {
  const char* uri = webkit_web_view_get_uri(view_);
  return uri != nullptr ? uri : "";
}

Glib::ustring WebKitBrowser::LocationName() const {
  const char* title = webkit_web_view_get_title(view_);
  if (title != nullptr && *title != '\0') return title;
  return LocationURL();
}

void WebKitBrowser::SetFocus() {
  gtk_widget_grab_focus(GTK_WIDGET(view_));
}
void WebKitBrowser::SetVisible(bool visible) {
  widget_->set_visible(visible);
}
bool WebKitBrowser::Visible() const {
  return widget_->get_visible();
}

void WebKitBrowser::exec_wb(std::int32_t /*cmd*/, std::int32_t /*opt*/,
                            std::optional<ExecArg> /*in*/, std::optional<ExecArg> /*out*/) {}

void WebKitBrowser::connect_events() {}

std::unique_ptr<WebBrowser> WebKitBrowserFactory::create(WebBrowser* related) {
  return std::make_unique<WebKitBrowser>(dynamic_cast<WebKitBrowser*>(related));
}

}  // namespace kv
