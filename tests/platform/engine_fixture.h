#pragma once

#include <glib.h>
#include <gtkmm/window.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/webkit_browser.h"
#include "support/local_server.h"

namespace kv::test {

// A real browser control shown in a window of its own. The control is declared before
// the window, as in the main window, so the window (and the view in it) goes first.
struct ShownBrowser {
  explicit ShownBrowser(WebKitBrowser* related = nullptr);

  std::unique_ptr<WebKitBrowser> control;
  Gtk::Window window;
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

// Navigates and waits for the load of `url` to end (its DocumentComplete); false on a
// time-out.
bool load(WebBrowser& browser, EventLog& log, const std::string& url);
// Waits for one more DocumentComplete than `before`.
bool wait_complete(const EventLog& log, int before);

// Moves the pointer over the control's view to (x, y), in the view's own coordinates,
// as the display would report it.
void move_pointer(WebKitBrowser& browser, double x, double y);

// The result of a script in the page, as a string ("" when it failed).
std::string run_script(WebKitBrowser& browser, const std::string& script);

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
