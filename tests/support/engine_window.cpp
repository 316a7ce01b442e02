#include "support/engine_window.h"

#include <functional>

#include "support/run_until.h"

namespace kv::test {
namespace {

struct EvalResult {
  bool done = false;
  std::string text;
};

void on_evaluated(GObject* source, GAsyncResult* result, gpointer data) {
  auto* shared = static_cast<std::shared_ptr<EvalResult>*>(data);
  GError* error = nullptr;
  JSCValue* value =
      webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
  if (value != nullptr) {
    gchar* text = jsc_value_to_string(value);
    (*shared)->text = text != nullptr ? text : "";
    g_free(text);
    g_object_unref(value);
  }
  if (error != nullptr) g_error_free(error);
  (*shared)->done = true;
  delete shared;
}

void on_load_changed(WebKitWebView* /*view*/, WebKitLoadEvent event, gpointer finished) {
  if (event == WEBKIT_LOAD_FINISHED) *static_cast<bool*>(finished) = true;
}

bool load_and_wait(WebKitWebView* view, const std::function<void()>& start) {
  bool finished = false;
  const gulong handler =
      g_signal_connect(view, "load-changed", G_CALLBACK(on_load_changed), &finished);
  start();
  const bool held = run_until([&] { return finished; });
  g_signal_handler_disconnect(view, handler);
  return held;
}

}  // namespace

bool load_html_and_wait(WebKitWebView* view, const std::string& html, const std::string& base_uri) {
  return load_and_wait(view,
                       [&] { webkit_web_view_load_html(view, html.c_str(), base_uri.c_str()); });
}

bool load_uri_and_wait(WebKitWebView* view, const std::string& uri) {
  return load_and_wait(view, [&] { webkit_web_view_load_uri(view, uri.c_str()); });
}

std::string eval_js(WebKitWebView* view, const std::string& script) {
  auto result = std::make_shared<EvalResult>();
  webkit_web_view_evaluate_javascript(view, script.c_str(), -1, nullptr, nullptr, nullptr,
                                      on_evaluated, new std::shared_ptr<EvalResult>(result));
  run_until([&] { return result->done; });
  return result->text;
}

EngineWindow::EngineWindow() : browser(std::make_unique<WebKitBrowser>()) {
  window.set_default_size(800, 600);
  window.add(browser->widget());
  window.show_all();
  run_until([&] { return window.get_mapped(); });
}

}  // namespace kv::test
