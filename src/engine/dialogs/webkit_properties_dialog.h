#pragma once

#include <glibmm/ustring.h>
#include <gtkmm/dialog.h>
#include <gtkmm/grid.h>
#include <gtkmm/label.h>
#include <webkit2/webkit2.h>

#include <cstdint>
#include <memory>
#include <optional>

namespace kv {

// What the Properties dialog tells about a page, from the view and its main resource's
// response. Empty or absent where the page does not say.
struct PageProperties {
  Glib::ustring title;
  Glib::ustring address;
  Glib::ustring protocol;             // described, "HyperText Transfer Protocol"
  Glib::ustring type;                 // the MIME type
  std::optional<std::uint64_t> size;  // bytes of the main resource, once known
  Glib::ustring last_modified;        // local date and time, "" when unknown
};

// The scheme of `address` described as a protocol, "" when it has none.
Glib::ustring protocol_name(const Glib::ustring& address);

// Everything but the size, which needs the resource's data (see PagePropertiesDialog).
PageProperties read_page_properties(WebKitWebView* view);

// The control's Properties dialog: title, address, protocol, type, size, last modified.
// Modal to its window; frees itself when closed.
class PagePropertiesDialog : public Gtk::Dialog {
 public:
  explicit PagePropertiesDialog(const PageProperties& properties);
  PagePropertiesDialog(const PagePropertiesDialog&) = delete;
  PagePropertiesDialog& operator=(const PagePropertiesDialog&) = delete;
  PagePropertiesDialog(PagePropertiesDialog&&) = delete;
  PagePropertiesDialog& operator=(PagePropertiesDialog&&) = delete;
  ~PagePropertiesDialog() override;

  void set_size(std::uint64_t bytes);
  // Fills the title in when the page reports it: the engine often learns a page's title
  // a moment after the load has finished.
  void follow_title(WebKitWebView* view);

  // The value shown beside a caption ("Title:", "Size:", ...); "" for an unknown caption.
  [[nodiscard]] Glib::ustring value_of(const Glib::ustring& caption) const;

  // Flag for work that finishes after the dialog may have gone.
  [[nodiscard]] std::weak_ptr<bool> alive() const { return alive_; }

 private:
  void add_row(const char* caption, const Glib::ustring& value);
  void set_value(const Glib::ustring& caption, const Glib::ustring& value);
  void stop_following_title();
  static void on_title(WebKitWebView* view, GParamSpec* property, gpointer self);

  Gtk::Grid grid_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  WebKitWebView* titled_view_ = nullptr;  // weak
  gulong title_handler_ = 0;
};

// Shows the Properties dialog for the page; the size follows once the engine has handed
// over the page's data. Nothing without a page.
void show_page_properties(WebKitWebView* view);

}  // namespace kv
