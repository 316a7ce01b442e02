#pragma once

#include <gtkmm/window.h>

#include <memory>
#include <string>

#include "platform/webkit_browser.h"

namespace kv::test {

// Loads into the view and waits until the engine has finished; false on timeout.
bool load_html_and_wait(WebKitWebView* view, const std::string& html,
                        const std::string& base_uri = "http://127.0.0.1/");
bool load_uri_and_wait(WebKitWebView* view, const std::string& uri);

// The script's result as text; "" when it failed or timed out.
std::string eval_js(WebKitWebView* view, const std::string& script);

// A shown window holding a real browser control, for tests against the engine.
class EngineWindow {
 public:
  EngineWindow();

  [[nodiscard]] WebKitWebView* view() const { return browser->view(); }

  bool load_html(const std::string& html, const std::string& base_uri = "http://127.0.0.1/") {
    return load_html_and_wait(view(), html, base_uri);
  }
  bool load_uri(const std::string& uri) { return load_uri_and_wait(view(), uri); }
  std::string eval(const std::string& script) { return eval_js(view(), script); }

  Gtk::Window window;
  std::unique_ptr<WebKitBrowser> browser;
};

}  // namespace kv::test
