#include "engine/dialogs/webkit_properties_dialog.h"

#include <glibmm/datetime.h>
#include <glibmm/main.h>
#include <libsoup/soup.h>

#include <memory>
#include <utility>

#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "desktop/page_title.h"
#include "engine/dialogs/webkit_view_helpers.h"

namespace kv {
namespace {

constexpr const char* kNotAvailable = "Not available";
constexpr const char* kSizeCaption = "Size:";

Glib::ustring local_date_time(const Glib::DateTime& when) {
  if (!when) return {};
  return when.to_local().format("%x %X");
}

// The response's Last-Modified, or for a local file its modification time.
Glib::ustring last_modified_of(const Glib::ustring& address, WebKitURIResponse* response) {
  if (response != nullptr) {
    if (SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response)) {
      if (const char* value = soup_message_headers_get_one(headers, "Last-Modified")) {
        // The wrapper owns the parsed date.
        return local_date_time(Glib::wrap(soup_date_time_new_from_http_string(value)));
      }
    }
  }
  if (g_str_has_prefix(address.c_str(), "file:") != FALSE) {
    const ObjectRef<GFile> file(g_file_new_for_uri(address.c_str()));
    const ObjectRef<GFileInfo> info(g_file_query_info(file.get(), G_FILE_ATTRIBUTE_TIME_MODIFIED,
                                                      G_FILE_QUERY_INFO_NONE, nullptr, nullptr));
    if (!info) return {};
    return local_date_time(Glib::wrap(g_file_info_get_modification_date_time(info.get())));
  }
  return {};
}

Glib::ustring size_text(std::uint64_t bytes) {
  return Glib::ustring::compose(bytes == 1 ? "%1 byte" : "%1 bytes", bytes);
}

struct SizeJob {
  std::weak_ptr<bool> alive;
  PagePropertiesDialog* dialog;
};

void on_page_data(GObject* source, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<SizeJob> job(static_cast<SizeJob*>(data));
  gsize length = 0;
  OwnedError error;
  const std::unique_ptr<guchar, GFreeDeleter> bytes(webkit_web_resource_get_data_finish(
      WEBKIT_WEB_RESOURCE(source), result, &length, out(error)));
  if (bytes && !job->alive.expired()) {
    guarded([&] { job->dialog->set_size(length); });
  }
}

}  // namespace

Glib::ustring protocol_name(const Glib::ustring& address) {
  const char* scheme = g_uri_peek_scheme(address.c_str());
  if (scheme == nullptr) return {};
  const std::string s = scheme;
  if (s == "http") return "HyperText Transfer Protocol";
  if (s == "https") return "HyperText Transfer Protocol with Privacy";
  if (s == "file") return "File Protocol";
  if (s == "ftp") return "File Transfer Protocol";
  if (s == "about") return "About Protocol";
  if (s == "data") return "Data Protocol";
  return Glib::ustring(s).uppercase() + " Protocol";
}

PageProperties read_page_properties(WebKitWebView* view) {
  PageProperties properties;
  if (!has_page(view)) return properties;
  const char* title = webkit_web_view_get_title(view);
  properties.title = shown_title(title != nullptr ? title : "");
  properties.address = webkit_web_view_get_uri(view);
  properties.protocol = protocol_name(properties.address);
  WebKitURIResponse* response = nullptr;
  if (WebKitWebResource* resource = webkit_web_view_get_main_resource(view)) {
    response = webkit_web_resource_get_response(resource);
  }
  if (response != nullptr) {
    const char* type = webkit_uri_response_get_mime_type(response);
    properties.type = type != nullptr ? type : "";
  }
  properties.last_modified = last_modified_of(properties.address, response);
  return properties;
}

PagePropertiesDialog::PagePropertiesDialog(const PageProperties& properties) {
  set_title("Properties");
  set_position(Gtk::WIN_POS_CENTER_ON_PARENT);
  set_resizable(false);
  add_button("_OK", Gtk::RESPONSE_OK);
  set_default_response(Gtk::RESPONSE_OK);

  grid_.set_row_spacing(6);
  grid_.set_column_spacing(12);
  grid_.set_border_width(12);
  add_row("Title:", properties.title);
  add_row("Address:", properties.address);
  add_row("Protocol:", properties.protocol);
  add_row("Type:", properties.type);
  add_row(kSizeCaption, properties.size ? size_text(*properties.size) : Glib::ustring());
  add_row("Modified:", properties.last_modified);
  get_content_area()->pack_start(grid_, Gtk::PACK_EXPAND_WIDGET);
  grid_.show_all();

  signal_response().connect([this](int) { hide(); });
  signal_hide().connect([this] {
    alive_.reset();
    stop_following_title();
    Glib::signal_idle().connect_once([this] { delete this; });
  });
}

PagePropertiesDialog::~PagePropertiesDialog() {
  stop_following_title();
}

void PagePropertiesDialog::follow_title(WebKitWebView* view) {
  stop_following_title();
  titled_view_ = view;
  g_object_add_weak_pointer(G_OBJECT(view), reinterpret_cast<gpointer*>(&titled_view_));
  title_handler_ = g_signal_connect(view, "notify::title", G_CALLBACK(on_title), this);
}

void PagePropertiesDialog::stop_following_title() {
  if (titled_view_ == nullptr) return;
  g_signal_handler_disconnect(titled_view_, title_handler_);
  g_object_remove_weak_pointer(G_OBJECT(titled_view_), reinterpret_cast<gpointer*>(&titled_view_));
  titled_view_ = nullptr;
}

void PagePropertiesDialog::on_title(WebKitWebView* view, GParamSpec* /*property*/, gpointer self) {
  const char* title = webkit_web_view_get_title(view);
  if (title == nullptr || *title == '\0') return;
  guarded([&] { static_cast<PagePropertiesDialog*>(self)->set_value("Title:", title); });
}

void PagePropertiesDialog::add_row(const char* caption, const Glib::ustring& value) {
  const int row = static_cast<int>(grid_.get_children().size() / 2);
  auto* name = Gtk::make_managed<Gtk::Label>(caption);
  name->set_xalign(0.0F);
  name->set_yalign(0.0F);
  auto* shown = Gtk::make_managed<Gtk::Label>(value.empty() ? kNotAvailable : value);
  shown->set_xalign(0.0F);
  shown->set_selectable(true);
  shown->set_line_wrap(true);
  shown->set_line_wrap_mode(Pango::WRAP_WORD_CHAR);
  shown->set_max_width_chars(60);
  shown->set_can_focus(false);
  grid_.attach(*name, 0, row);
  grid_.attach(*shown, 1, row);
}

void PagePropertiesDialog::set_size(std::uint64_t bytes) {
  set_value(kSizeCaption, size_text(bytes));
}

void PagePropertiesDialog::set_value(const Glib::ustring& caption, const Glib::ustring& value) {
  for (int row = 0;; ++row) {
    auto* name = dynamic_cast<Gtk::Label*>(grid_.get_child_at(0, row));
    if (name == nullptr) return;
    if (name->get_text() == caption) {
      if (auto* shown = dynamic_cast<Gtk::Label*>(grid_.get_child_at(1, row))) {
        shown->set_text(value);
      }
      return;
    }
  }
}

Glib::ustring PagePropertiesDialog::value_of(const Glib::ustring& caption) const {
  for (int row = 0;; ++row) {
    const auto* name = dynamic_cast<const Gtk::Label*>(grid_.get_child_at(0, row));
    if (name == nullptr) return {};
    if (name->get_text() == caption) {
      const auto* shown = dynamic_cast<const Gtk::Label*>(grid_.get_child_at(1, row));
      return shown != nullptr ? shown->get_text() : Glib::ustring();
    }
  }
}

void show_page_properties(WebKitWebView* view) {
  if (!has_page(view)) return;
  auto* dialog = new PagePropertiesDialog(read_page_properties(view));
  dialog->follow_title(view);
  gtk_window_set_transient_for(GTK_WINDOW(dialog->gobj()), toplevel_window_of(view));
  dialog->set_modal(true);
  dialog->present();
  if (WebKitWebResource* resource = webkit_web_view_get_main_resource(view)) {
    webkit_web_resource_get_data(resource, nullptr, on_page_data,
                                 new SizeJob{dialog->alive(), dialog});
  }
}

}  // namespace kv
