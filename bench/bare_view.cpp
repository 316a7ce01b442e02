// The floor for the benchmarks: the least a gtkmm + WebKitGTK program does to show a
// page. One window, one web view, the address from the command line.
//
//   bare_view [options] URL
//     --windows N          open N windows, each with its own view (default 1)
//     --related            views of windows 2..N are related to the first one's view
//                          (webkit_web_view_new_with_related_view: same web process)
//     --navigate-on-enter  load about:blank first and the URL only when Return is
//                          pressed in a window, so that a navigation can be timed from
//                          the key press as in a browser's address bar
//     --first URL0         with --navigate-on-enter: load URL0 first instead of about:blank
//     --hidden-view        each window also holds a second, hidden view that loads
//                          nothing (the cost of a spare pane)
//     --no-view            windows without a view, and no engine at all (the floor for a
//                          window that needs no engine, such as a splash window)
//   Engine settings, to measure them one at a time:
//     --sandbox            web processes in the engine's bubblewrap sandbox
//     --no-compositing     hardware-acceleration policy NEVER
//     --cache-model M      document-viewer, document-browser or web-browser
//     --memory-limit MB    memory-pressure settings of the web processes
//     --process-limit N    the (deprecated) web process count limit
#include <glib-unix.h>
#include <gtkmm/box.h>
#include <gtkmm/main.h>
#include <gtkmm/window.h>
#include <webkit2/webkit2.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Options {
  std::string url;
  int windows = 1;
  bool related = false;
  bool navigate_on_enter = false;
  std::string first = "about:blank";
  bool hidden_view = false;
  bool no_view = false;
  bool no_compositing = false;
  bool sandbox = false;
  std::optional<WebKitCacheModel> cache_model;
  int memory_limit_mb = 0;
  int process_limit = 0;
};

[[noreturn]] void usage(const char* why) {
  std::cerr << "bare_view: " << why
            << "\nusage: bare_view [--windows N] [--related] [--navigate-on-enter] "
               "[--first URL0] [--hidden-view] [--no-view] [--no-compositing] [--sandbox] "
               "[--cache-model M] "
               "[--memory-limit MB] "
               "[--process-limit N] URL\n";
  std::exit(2);
}

int positive(const char* text, const char* what) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 1 || value > 1000) usage(what);
  return static_cast<int>(value);
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) usage(("missing value for " + arg).c_str());
      return argv[++i];
    };
    if (arg == "--windows") {
      o.windows = positive(value(), "--windows wants a number from 1 to 1000");
    } else if (arg == "--related") {
      o.related = true;
    } else if (arg == "--navigate-on-enter") {
      o.navigate_on_enter = true;
    } else if (arg == "--first") {
      o.first = value();
    } else if (arg == "--hidden-view") {
      o.hidden_view = true;
    } else if (arg == "--no-view") {
      o.no_view = true;
    } else if (arg == "--no-compositing") {
      o.no_compositing = true;
    } else if (arg == "--sandbox") {
      o.sandbox = true;
    } else if (arg == "--cache-model") {
      const std::string m = value();
      if (m == "document-viewer")
        o.cache_model = WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER;
      else if (m == "document-browser")
        o.cache_model = WEBKIT_CACHE_MODEL_DOCUMENT_BROWSER;
      else if (m == "web-browser")
        o.cache_model = WEBKIT_CACHE_MODEL_WEB_BROWSER;
      else
        usage("unknown cache model");
    } else if (arg == "--memory-limit") {
      o.memory_limit_mb = positive(value(), "--memory-limit wants megabytes");
    } else if (arg == "--process-limit") {
      o.process_limit = positive(value(), "--process-limit wants a number");
    } else if (!arg.empty() && arg[0] == '-') {
      usage(("unknown option " + arg).c_str());
    } else if (o.url.empty()) {
      o.url = arg;
    } else {
      usage("one address only");
    }
  }
  if (o.url.empty()) usage("no address given");
  return o;
}

WebKitWebContext* make_context(const Options& o) {
  WebKitWebContext* context = nullptr;
  if (o.memory_limit_mb > 0) {
    WebKitMemoryPressureSettings* settings = webkit_memory_pressure_settings_new();
    webkit_memory_pressure_settings_set_memory_limit(settings, o.memory_limit_mb);
    context = WEBKIT_WEB_CONTEXT(
        g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "memory-pressure-settings", settings, nullptr));
    webkit_memory_pressure_settings_free(settings);
  } else {
    context = webkit_web_context_new();
  }
  if (o.sandbox) webkit_web_context_set_sandbox_enabled(context, TRUE);
  if (o.cache_model) webkit_web_context_set_cache_model(context, *o.cache_model);
  if (o.process_limit > 0) webkit_web_context_set_web_process_count_limit(context, o.process_limit);
  return context;
}

class BareWindow : public Gtk::Window {
 public:
  BareWindow(const Options& o, WebKitWebContext* context, WebKitWebView* related) : url_(o.url) {
    set_title("bare_view");
    set_default_size(1016, 695);
    if (o.no_view) return;
    view_ = WEBKIT_WEB_VIEW(related != nullptr ? webkit_web_view_new_with_related_view(related)
                                               : webkit_web_view_new_with_context(context));
    if (o.no_compositing) {
      webkit_settings_set_hardware_acceleration_policy(webkit_web_view_get_settings(view_),
                                                       WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    }
    box_.pack_start(*Gtk::manage(Glib::wrap(GTK_WIDGET(view_))), Gtk::PACK_EXPAND_WIDGET);
    if (o.hidden_view) {
      GtkWidget* spare = webkit_web_view_new_with_context(context);
      box_.pack_start(*Gtk::manage(Glib::wrap(spare)), Gtk::PACK_SHRINK);
    }
    add(box_);
    box_.show();
    gtk_widget_show(GTK_WIDGET(view_));
    if (o.navigate_on_enter) {
      webkit_web_view_load_uri(view_, o.first.c_str());
      signal_key_press_event().connect(
          [this](GdkEventKey* event) {
            if (event->keyval != GDK_KEY_Return && event->keyval != GDK_KEY_KP_Enter) return false;
            webkit_web_view_load_uri(view_, url_.c_str());
            return true;
          },
          false);
    } else {
      webkit_web_view_load_uri(view_, url_.c_str());
    }
  }

  [[nodiscard]] WebKitWebView* view() const { return view_; }

 private:
  std::string url_;
  Gtk::Box box_{Gtk::ORIENTATION_HORIZONTAL};
  WebKitWebView* view_ = nullptr;  // owned by the box
};

}  // namespace

int main(int argc, char** argv) {
  Gtk::Main kit(argc, argv);
  const Options options = parse(argc, argv);
  WebKitWebContext* context = options.no_view ? nullptr : make_context(options);

  std::vector<std::unique_ptr<BareWindow>> windows;
  int open = 0;
  for (int i = 0; i < options.windows; ++i) {
    WebKitWebView* related =
        options.related && !windows.empty() ? windows.front()->view() : nullptr;
    windows.push_back(std::make_unique<BareWindow>(options, context, related));
    windows.back()->signal_hide().connect([&open] {
      if (--open == 0) Gtk::Main::quit();
    });
    windows.back()->show();
    ++open;
  }
  // The bench ends it with SIGTERM: leave the loop so that the engine's processes go too.
  g_unix_signal_add(
      SIGTERM,
      [](gpointer) -> gboolean {
        Gtk::Main::quit();
        return G_SOURCE_REMOVE;
      },
      nullptr);
  Gtk::Main::run();
  windows.clear();
  if (context != nullptr) g_object_unref(context);
  return 0;
}
