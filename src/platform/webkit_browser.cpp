#include "platform/webkit_browser.h"

#include <gtkmm/widget.h>

#include "platform/webkit_page_commands.h"

namespace kv {

WebKitWebContext* shared_web_context() {
  static WebKitWebContext* context = [] {
    WebKitWebContext* made = webkit_web_context_new();
    return made;
  }();
  return context;
}

WebKitBrowser::WebKitBrowser(WebKitBrowser* related) {
  GtkWidget* view = related != nullptr
                        ? webkit_web_view_new_with_related_view(related->view())
                        : webkit_web_view_new_with_context(shared_web_context());
  view_ = WEBKIT_WEB_VIEW(view);
  widget_ = Gtk::manage(Glib::wrap(view));
  widget_->show();
  connect_events();
}

WebKitBrowser::~WebKitBrowser() = default;

Gtk::Widget& WebKitBrowser::widget() { return *widget_; }

void WebKitBrowser::Navigate(const Glib::ustring& url) {
  webkit_web_view_load_uri(view_, url.c_str());
}
void WebKitBrowser::Navigate2(const std::vector<std::uint8_t>& /*item_id_list*/) {}
void WebKitBrowser::GoBack() { webkit_web_view_go_back(view_); }
void WebKitBrowser::GoForward() { webkit_web_view_go_forward(view_); }
void WebKitBrowser::GoHome() {}
void WebKitBrowser::Stop() { webkit_web_view_stop_loading(view_); }
void WebKitBrowser::Refresh() { webkit_web_view_reload(view_); }
void WebKitBrowser::SetDesignMode(const Glib::ustring& value) {
  // The value goes in as an argument, never spliced into script text.
  GVariantDict arguments;
  g_variant_dict_init(&arguments, nullptr);
  g_variant_dict_insert(&arguments, "value", "s", value.c_str());
  webkit_web_view_call_async_javascript_function(view_, "document.designMode = value;", -1,
                                                 g_variant_dict_end(&arguments), nullptr, nullptr,
                                                 nullptr, nullptr, nullptr);
}

Glib::ustring WebKitBrowser::LocationURL() const {
  const char* uri = webkit_web_view_get_uri(view_);
  return uri != nullptr ? uri : "";
}

Glib::ustring WebKitBrowser::LocationName() const {
  const char* title = webkit_web_view_get_title(view_);
  if (title != nullptr && *title != '\0') return title;
  return LocationURL();
}

void WebKitBrowser::SetFocus() { gtk_widget_grab_focus(GTK_WIDGET(view_)); }
void WebKitBrowser::SetVisible(bool visible) { widget_->set_visible(visible); }
bool WebKitBrowser::Visible() const { return widget_->get_visible(); }

void WebKitBrowser::exec_wb(std::int32_t cmd, std::int32_t opt, std::optional<ExecArg> in,
                            std::optional<ExecArg> out) {
  exec_page_command(view_, cmd, opt, in, out);
}

void WebKitBrowser::connect_events() {}

std::unique_ptr<WebBrowser> WebKitBrowserFactory::create(WebBrowser* related) {
  return std::make_unique<WebKitBrowser>(dynamic_cast<WebKitBrowser*>(related));
}

}  // namespace kv
