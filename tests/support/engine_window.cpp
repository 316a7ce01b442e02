#include "support/engine_window.h"

#include <glib.h>

#include <functional>
#include <string>
#include <utility>

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

bool wait_for_title(WebKitWebView* view, const std::string& title) {
  return run_until([&] {
    const char* shown = webkit_web_view_get_title(view);
    return shown != nullptr && shown == title;
  });
}

std::string eval_js(WebKitWebView* view, const std::string& script) {
  auto result = std::make_shared<EvalResult>();
  webkit_web_view_evaluate_javascript(view, script.c_str(), -1, nullptr, nullptr, nullptr,
                                      on_evaluated, new std::shared_ptr<EvalResult>(result));
  run_until([&] { return result->done; });
  return result->text;
}

EngineWindow::EngineWindow(bool private_profile)
    : browser(std::make_unique<WebKitBrowser>(nullptr, private_profile)) {
  show();
  run_until([&] { return window.get_mapped(); });
}

EngineWindow::EngineWindow(WebKitBrowser& opener)
    : browser(std::make_unique<WebKitBrowser>(&opener)) {
  show();
}

void EngineWindow::show() {
  window.set_default_size(800, 600);
  window.add(browser->widget());
  window.show_all();
}

EventLog::EventLog(WebBrowser& browser) {
  browser.DownloadBegin.connect([this] { entries.emplace_back("DownloadBegin"); });
  browser.DownloadComplete.connect([this] { entries.emplace_back("DownloadComplete"); });
  browser.NavigateComplete2.connect(
      [this](const Glib::ustring& uri) { entries.push_back("NavigateComplete2 " + uri); });
  browser.DocumentComplete.connect([this, &browser](const Glib::ustring& uri) {
    url_at_complete = browser.LocationURL();
    name_at_complete = browser.LocationName();
    entries.push_back("DocumentComplete " + uri);
  });
  browser.TitleChange.connect(
      [this](const Glib::ustring& title) { entries.push_back("TitleChange " + title); });
  browser.ProgressChange.connect([this](std::int32_t progress, std::int32_t max) {
    entries.push_back("ProgressChange " + std::to_string(progress) + " " + std::to_string(max));
  });
  browser.StatusTextChange.connect(
      [this](const Glib::ustring& text) { entries.push_back("StatusTextChange " + text); });
}

int EventLog::count(const std::string& event) const {
  int found = 0;
  for (const auto& entry : entries) {
    if (entry == event || entry.rfind(event + " ", 0) == 0) ++found;
  }
  return found;
}

std::vector<std::string> EventLog::sequence() const {
  std::vector<std::string> names;
  for (const auto& entry : entries) {
    std::string name = entry.substr(0, entry.find(' '));
    if (name == "ProgressChange" && !names.empty() && names.back() == name) continue;
    names.push_back(std::move(name));
  }
  return names;
}

bool wait_complete(const EventLog& log, int before) {
  return run_until([&] { return log.count("DocumentComplete") > before; });
}

bool navigate_and_wait(WebBrowser& browser, EventLog& log, const std::string& url) {
  // Waits for this address's own completion: an earlier load may still be ending.
  const std::string complete = "DocumentComplete " + url;
  const int before = log.count(complete);
  browser.Navigate(url);
  return run_until([&] { return log.count(complete) > before; });
}

namespace {

// A pointer event of `type` at (x, y) in the view's own coordinates, as the display
// would report it; the caller fills in the type's own fields.
GdkEvent* pointer_event(GtkWidget* view, GdkEventType type, double x, double y) {
  GdkWindow* window = gtk_widget_get_window(view);
  GdkEvent* event = gdk_event_new(type);
  // The event window may be the toplevel's: translate the view's point into it.
  int wx = 0;
  int wy = 0;
  gtk_widget_translate_coordinates(view, gtk_widget_get_toplevel(view), 0, 0, &wx, &wy);
  if (window != gtk_widget_get_window(gtk_widget_get_toplevel(view))) wx = wy = 0;
  int ox = 0;
  int oy = 0;
  gdk_window_get_origin(window, &ox, &oy);
  GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
  gdk_event_set_device(event, gdk_seat_get_pointer(seat));
  if (type == GDK_MOTION_NOTIFY) {
    event->motion.window = GDK_WINDOW(g_object_ref(window));
    event->motion.send_event = TRUE;
    event->motion.time = GDK_CURRENT_TIME;
    event->motion.x = x + wx;
    event->motion.y = y + wy;
    event->motion.x_root = event->motion.x + ox;
    event->motion.y_root = event->motion.y + oy;
  } else {
    event->button.window = GDK_WINDOW(g_object_ref(window));
    event->button.send_event = TRUE;
    event->button.time = GDK_CURRENT_TIME;
    event->button.x = x + wx;
    event->button.y = y + wy;
    event->button.x_root = event->button.x + ox;
    event->button.y_root = event->button.y + oy;
    event->button.button = 1;
  }
  return event;
}

void send(GtkWidget* view, GdkEvent* event) {
  gtk_widget_event(view, event);
  gdk_event_free(event);
}

}  // namespace

void move_pointer(WebKitBrowser& browser, double x, double y) {
  GtkWidget* view = GTK_WIDGET(browser.view());
  send(view, pointer_event(view, GDK_MOTION_NOTIFY, x, y));
}

void click(WebKitBrowser& browser, double x, double y) {
  GtkWidget* view = GTK_WIDGET(browser.view());
  move_pointer(browser, x, y);
  send(view, pointer_event(view, GDK_BUTTON_PRESS, x, y));
  GdkEvent* release = pointer_event(view, GDK_BUTTON_RELEASE, x, y);
  release->button.state = GDK_BUTTON1_MASK;
  send(view, release);
}

void right_click(WebKitBrowser& browser, double x, double y) {
  GtkWidget* view = GTK_WIDGET(browser.view());
  move_pointer(browser, x, y);
  GdkEvent* press = pointer_event(view, GDK_BUTTON_PRESS, x, y);
  press->button.button = 3;
  send(view, press);
  GdkEvent* release = pointer_event(view, GDK_BUTTON_RELEASE, x, y);
  release->button.button = 3;
  release->button.state = GDK_BUTTON3_MASK;
  send(view, release);
}

namespace {

void catch_message(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer data) {
  auto* messages = static_cast<std::vector<std::string>*>(data);
  if ((level & (G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING | G_LOG_LEVEL_ERROR)) != 0) {
    messages->push_back(std::string(domain != nullptr ? domain : "") + ": " + message);
  }
  g_log_default_handler(domain, level, message, nullptr);
}

}  // namespace

LogCatcher::LogCatcher() : previous_(g_log_set_default_handler(&catch_message, &messages)) {}

LogCatcher::~LogCatcher() {
  // The default handler takes no data of its own.
  g_log_set_default_handler(previous_, nullptr);
}

namespace {
constexpr const char* kFinalizedKey = "kv-test-finalized";
}  // namespace

// Weak references fire when an object is disposed; its data goes only when it is
// finalized, which is what a leak check needs.
Finalized::Finalized(void* object) : object_(object) {
  g_object_set_data_full(G_OBJECT(object_), kFinalizedKey, &object_,
                         [](gpointer slot) { *static_cast<void**>(slot) = nullptr; });
}

Finalized::~Finalized() {
  if (object_ != nullptr) g_object_steal_data(G_OBJECT(object_), kFinalizedKey);
}

}  // namespace kv::test
