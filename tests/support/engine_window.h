#pragma once

#include <glib.h>
#include <gtkmm/window.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/control/webkit_browser.h"

namespace kv::test {

// Loads into the view and waits until the engine has finished; false on timeout.
bool load_html_and_wait(WebKitWebView* view, const std::string& html,
                        const std::string& base_uri = "http://127.0.0.1/");
bool load_uri_and_wait(WebKitWebView* view, const std::string& uri);

// Waits until the view reports `title`, which it learns a moment after the load has
// finished; false on timeout.
bool wait_for_title(WebKitWebView* view, const std::string& title);

// The script's result as text; "" when it failed or timed out.
std::string eval_js(WebKitWebView* view, const std::string& script);

// A shown window holding a real browser control, for tests against the engine. The
// control is declared before the window, as in the main window, so the window (and the
// view in it) goes first.
class EngineWindow {
 public:
  // Waits until the window is on the screen. A private one browses on the private profile.
  explicit EngineWindow(bool private_profile = false);
  // A window for a page's request to `opener`. It is made inside the engine's call, where
  // the main loop must not run, so it is shown without waiting.
  explicit EngineWindow(WebKitBrowser& opener);
  EngineWindow(const EngineWindow&) = delete;
  EngineWindow& operator=(const EngineWindow&) = delete;
  EngineWindow(EngineWindow&&) = delete;
  EngineWindow& operator=(EngineWindow&&) = delete;
  ~EngineWindow() = default;

  [[nodiscard]] WebKitWebView* view() const { return browser->view(); }

  bool load_html(const std::string& html, const std::string& base_uri = "http://127.0.0.1/") {
    return load_html_and_wait(view(), html, base_uri);
  }
  bool load_uri(const std::string& uri) { return load_uri_and_wait(view(), uri); }
  bool wait_for_title(const std::string& title) { return test::wait_for_title(view(), title); }
  std::string eval(const std::string& script) { return eval_js(view(), script); }

  std::unique_ptr<WebKitBrowser> browser;
  Gtk::Window window;

 private:
  void show();
};

// Every event a control raises, in order, as text: "DocumentComplete <uri>",
// "ProgressChange 40 100", "TitleChange <title>", "DownloadBegin", ...
class EventLog {
 public:
  explicit EventLog(WebBrowser& browser);

  [[nodiscard]] int count(const std::string& event) const;
  // The names only, with runs of ProgressChange folded into one.
  [[nodiscard]] std::vector<std::string> sequence() const;
  void clear() { entries.clear(); }

  std::vector<std::string> entries;
  // What the control reported at its last DocumentComplete.
  std::string url_at_complete;
  std::string name_at_complete;
};

// Navigates the control and waits for the load of `url` to end (its DocumentComplete);
// false on a time-out.
bool navigate_and_wait(WebBrowser& browser, EventLog& log, const std::string& url);
// Waits for one more DocumentComplete than `before`.
bool wait_complete(const EventLog& log, int before);

// Moves the pointer over the control's view to (x, y), in the view's own coordinates,
// as the display would report it.
void move_pointer(WebKitBrowser& browser, double x, double y);
// Presses and releases the first mouse button there, as a user's click.
void click(WebKitBrowser& browser, double x, double y);
// The same with the third button, which opens the page's context menu.
void right_click(WebKitBrowser& browser, double x, double y);

// Records the warnings and criticals that GLib, GTK and the engine log while it lives.
class LogCatcher {
 public:
  LogCatcher();
  ~LogCatcher();
  LogCatcher(const LogCatcher&) = delete;
  LogCatcher& operator=(const LogCatcher&) = delete;
  LogCatcher(LogCatcher&&) = delete;
  LogCatcher& operator=(LogCatcher&&) = delete;

  std::vector<std::string> messages;

 private:
  GLogFunc previous_ = nullptr;
};

// True once the object has been finalized (its last reference dropped).
class Finalized {
 public:
  explicit Finalized(void* object);
  ~Finalized();
  Finalized(const Finalized&) = delete;
  Finalized& operator=(const Finalized&) = delete;
  Finalized(Finalized&&) = delete;
  Finalized& operator=(Finalized&&) = delete;

  explicit operator bool() const { return object_ == nullptr; }

 private:
  void* object_;
};

}  // namespace kv::test
