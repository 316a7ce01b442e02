#pragma once

#include <webkit2/webkit2.h>

#include <memory>

#include "platform/web_browser.h"

namespace Gtk {
class Widget;
}

namespace kv {

// The one engine context that every browser control of the program shares (one
// network process, one cookie store, one cache).
WebKitWebContext* shared_web_context();

// The browser control on WebKitGTK.
class WebKitBrowser : public WebBrowser {
 public:
  // `related`: the control of a page that asked for a new window, or nullptr. A related
  // control shares the requesting one's session and process.
  explicit WebKitBrowser(WebKitBrowser* related = nullptr);
  ~WebKitBrowser() override;
  WebKitBrowser(const WebKitBrowser&) = delete;
  WebKitBrowser& operator=(const WebKitBrowser&) = delete;
  WebKitBrowser(WebKitBrowser&&) = delete;
  WebKitBrowser& operator=(WebKitBrowser&&) = delete;

  Gtk::Widget& widget() override;
  void Navigate(const Glib::ustring& url) override;
  void Navigate2(const std::vector<std::uint8_t>& item_id_list) override;
  void GoBack() override;
  void GoForward() override;
  void GoHome() override;
  void Stop() override;
  void Refresh() override;
  void SetDesignMode(const Glib::ustring& value) override;
  [[nodiscard]] Glib::ustring LocationURL() const override;
  [[nodiscard]] Glib::ustring LocationName() const override;
  void SetFocus() override;
  void SetVisible(bool visible) override;
  [[nodiscard]] bool Visible() const override;

  [[nodiscard]] WebKitWebView* view() const { return view_; }

 protected:
  void exec_wb(std::int32_t cmd, std::int32_t opt, std::optional<ExecArg> in,
               std::optional<ExecArg> out) override;

 private:
  void connect_events();

  WebKitWebView* view_ = nullptr;  // owned through widget_
  Gtk::Widget* widget_ = nullptr;
};

class WebKitBrowserFactory : public WebBrowserFactory {
 public:
  std::unique_ptr<WebBrowser> create(WebBrowser* related) override;
};

}  // namespace kv
