// The built program itself, started as a user would start it: its main window must come
// up, take an address typed into its address bar, show the page's name in its caption and
// end with File > Close. It catches a program that builds but does not start.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <optional>
#include <string>
#include <vector>

#include "browser/form1.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/temp_dir.h"

// Xlib last: its macros (None, Status, ...) clash with names in the C++ headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

namespace kv {
namespace {

using namespace std::chrono_literals;

constexpr const char* kPageTitle = "Smoke test page";
// The address bar's place in the client area below the menu bar (a point inside it), and
// the client area's height: the window's height less this is the menu bar.
constexpr int kAddressX = 112 + 40;
constexpr int kAddressY = 56 + 12;
constexpr int kClientHeight = 695;

// The program as a child process with a private home and data folders; killed if a test
// leaves it running.
class RunningProgram {
 public:
  // `proxy`: a server on 127.0.0.1 that stands in for every other host (the start page).
  RunningProgram(const test::TempDir& home, const std::string& proxy) {
    gchar** env = g_get_environ();
    for (const char* name : {"http_proxy", "https_proxy"}) {
      env = g_environ_setenv(env, name, proxy.c_str(), TRUE);
    }
    env = g_environ_setenv(env, "no_proxy", "127.0.0.1,localhost", TRUE);
    env = g_environ_setenv(env, "HOME", home.path().c_str(), TRUE);
    for (const char* name :
         {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
      env = g_environ_setenv(env, name, home.file(name).c_str(), TRUE);
    }
    env = g_environ_setenv(env, "NO_AT_BRIDGE", "1", TRUE);
    gchar* argv[] = {const_cast<gchar*>(KV_PROGRAM_PATH), nullptr};
    GError* error = nullptr;
    if (!g_spawn_async(home.path().c_str(), argv, env, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr,
                       &pid_, &error)) {
      ADD_FAILURE() << "cannot start " << KV_PROGRAM_PATH << ": " << error->message;
      g_error_free(error);
      pid_ = 0;
    } else {
      watch_ = g_child_watch_add(
          pid_,
          [](GPid pid, gint status, gpointer self) {
            static_cast<RunningProgram*>(self)->status_ = status;
            static_cast<RunningProgram*>(self)->watch_ = 0;
            g_spawn_close_pid(pid);
          },
          this);
    }
    g_strfreev(env);
  }
  ~RunningProgram() {
    if (pid_ > 0 && !exited()) {
      kill(pid_, SIGKILL);
      test::run_until([this] { return exited(); }, 10s);
    }
    if (watch_ != 0) g_source_remove(watch_);
  }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;
  RunningProgram(RunningProgram&&) = delete;
  RunningProgram& operator=(RunningProgram&&) = delete;

  [[nodiscard]] bool started() const { return pid_ > 0; }
  [[nodiscard]] GPid pid() const { return pid_; }
  [[nodiscard]] bool exited() const { return status_.has_value(); }
  [[nodiscard]] int status() const { return status_.value_or(-1); }

 private:
  GPid pid_ = 0;
  guint watch_ = 0;
  std::optional<int> status_;
};

// The test display, read through the test's own X connection.
// Ignores the X errors of queries on windows that may go at any moment (the splash).
struct IgnoreXErrors {
  IgnoreXErrors() { gdk_x11_display_error_trap_push(gdk_display_get_default()); }
  ~IgnoreXErrors() { gdk_x11_display_error_trap_pop_ignored(gdk_display_get_default()); }
  IgnoreXErrors(const IgnoreXErrors&) = delete;
  IgnoreXErrors& operator=(const IgnoreXErrors&) = delete;
};

class Screen {
 public:
  Screen() : display_(GDK_DISPLAY_XDISPLAY(gdk_display_get_default())) {}

  // A mapped top-level window of process `pid` whose title starts with `prefix`.
  ::Window find(GPid pid, const std::string& prefix, bool override_redirect = false) const {
    const IgnoreXErrors ignore;
    ::Window root_return = 0, parent = 0;
    ::Window* children = nullptr;
    unsigned int count = 0;
    ::Window found = 0;
    if (XQueryTree(display_, DefaultRootWindow(display_), &root_return, &parent, &children,
                   &count) == 0) {
      return 0;
    }
    for (unsigned int i = 0; i < count && found == 0; ++i) {
      XWindowAttributes attributes{};
      if (XGetWindowAttributes(display_, children[i], &attributes) == 0) continue;
      if (attributes.map_state != IsViewable) continue;
      if ((attributes.override_redirect != 0) != override_redirect) continue;
      if (attributes.width < 20 || attributes.height < 20) continue;
      const long owner = pid_of(children[i]);
      if (owner != 0 && owner != pid) continue;
      if (!override_redirect && (owner != pid || title(children[i]).rfind(prefix, 0) != 0)) {
        continue;
      }
      found = children[i];
    }
    if (children != nullptr) XFree(children);
    return found;
  }

  [[nodiscard]] std::string title(::Window window) const {
    const IgnoreXErrors ignore;
    const Atom net_wm_name = XInternAtom(display_, "_NET_WM_NAME", False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(display_, window, net_wm_name, 0, 4096, False, AnyPropertyType, &type,
                           &format, &items, &after, &data) == Success &&
        data != nullptr) {
      text.assign(reinterpret_cast<char*>(data), items);
      XFree(data);
    }
    return text;
  }

  [[nodiscard]] int height(::Window window) const {
    const IgnoreXErrors ignore;
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display_, window, &attributes) != 0 ? attributes.height : 0;
  }

 private:
  long pid_of(::Window window) const {
    const Atom net_wm_pid = XInternAtom(display_, "_NET_WM_PID", False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = 0;
    if (XGetWindowProperty(display_, window, net_wm_pid, 0, 1, False, XA_CARDINAL, &type, &format,
                           &items, &after, &data) == Success &&
        data != nullptr) {
      if (items == 1 && format == 32) pid = *reinterpret_cast<long*>(data);
      XFree(data);
    }
    return pid;
  }

  Display* display_;
};

// Runs xdotool on the test display, as a user's keyboard and mouse.
bool xdotool(const std::vector<std::string>& args) {
  std::vector<gchar*> argv{const_cast<gchar*>("xdotool")};
  for (const auto& arg : args) argv.push_back(const_cast<gchar*>(arg.c_str()));
  argv.push_back(nullptr);
  gint status = 0;
  GError* error = nullptr;
  const bool ran = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr,
                                nullptr, nullptr, nullptr, &status, &error) != 0;
  if (!ran) {
    ADD_FAILURE() << "xdotool: " << error->message;
    g_error_free(error);
    return false;
  }
  return g_spawn_check_wait_status(status, nullptr) != 0;
}

TEST(ProgramSmokeTest, StartsLoadsATypedAddressAndEndsWithFileClose) {
  test::TempDir home;
  test::LocalServer server;
  std::string page = "<!DOCTYPE html><html><head><title>";
  page.append(kPageTitle).append("</title></head><body><p>Hello.</p></body></html>");
  server.add_page("/smoke.html", page);
  Screen screen;
  RunningProgram program(home, "http://127.0.0.1:" + std::to_string(server.port()));
  ASSERT_TRUE(program.started());

  // A splash window may come first and hand over after a few seconds.
  ::Window main = 0;
  ASSERT_TRUE(test::run_until(
      [&] {
        main = screen.find(program.pid(), "Kestrivane");
        return main != 0 || program.exited();
      },
      30s))
      << "no main window";
  ASSERT_NE(main, 0UL) << "the program ended before its main window showed, status "
                       << program.status();

  // The start page settles first: a page that completes while the user types writes its
  // own address over the typed text, as the address bar does for every completed page.
  ASSERT_TRUE(test::run_until([&] { return screen.title(main).rfind("Kestrivane", 0) != 0; }, 30s))
      << "the start page did not complete";

  const std::string window = std::to_string(main);
  const int menu_bar = std::max(0, screen.height(main) - kClientHeight);
  ASSERT_TRUE(xdotool({"windowfocus", "--sync", window}));
  ASSERT_TRUE(xdotool({"mousemove", "--window", window, std::to_string(kAddressX),
                       std::to_string(menu_bar + kAddressY), "click", "1"}));
  ASSERT_TRUE(xdotool({"key", "End", "shift+Home"}));
  ASSERT_TRUE(xdotool({"type", "--delay", "5", server.url("/smoke.html")}));
  ASSERT_TRUE(xdotool({"key", "Return"}));

  // The caption shows the page's name: alone when the document's completion is the last
  // word, with the program's title after it when the title arrives last (the engine sends
  // a small page's title after the load has finished).
  const std::string named = kPageTitle;
  const std::string titled = named + " - " + kAppTitle;
  EXPECT_TRUE(test::run_until(
      [&] {
        const std::string caption = screen.title(main);
        return caption == named || caption == titled;
      },
      30s))
      << "caption: " << screen.title(main);

  // File > Close by the menu's mnemonics; the menu must be up before its item's key.
  ASSERT_TRUE(xdotool({"key", "alt+f"}));
  ASSERT_TRUE(test::run_until([&] { return screen.find(program.pid(), "", true) != 0; }, 10s))
      << "the File menu did not open";
  ASSERT_TRUE(xdotool({"key", "c"}));
  ASSERT_TRUE(test::run_until([&] { return program.exited(); }, 20s))
      << "the program did not end after File > Close";
  EXPECT_TRUE(WIFEXITED(program.status()) && WEXITSTATUS(program.status()) == 0)
      << "wait status " << program.status();
}

}  // namespace
}  // namespace kv
