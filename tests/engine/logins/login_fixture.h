#pragma once

// Sign-in pages on a local server, the program's question bar and account list as a user
// sees them, and what a profile left on disk.
#include <glib.h>
#include <gtest/gtest.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/listbox.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "desktop/control_name.h"
#include "desktop/deliberate_press.h"
#include "desktop/glib_handles.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/widget_events.h"

namespace kv {

// Space, slash and plus are each written otherwise in a posted form.
inline constexpr const char* kPassword = "Kv s3cret/pw+1";

// A sign-in form whose page reports what its fields hold every 100 ms, as a page that
// would steal a filled-in password does.
inline std::string login_page() {
  return "<title>Login</title><form method=post action=/signin>"
         "<input id=user name=user style='position:absolute;left:20px;top:20px;width:200px'>"
         "<input id=pass name=pass type=password "
         "style='position:absolute;left:20px;top:60px;width:200px'>"
         "<button id=go style='position:absolute;left:20px;top:100px'>Sign in</button></form>"
         "<script>setInterval(() => { if (user.value || pass.value) fetch('/seen', "
         "{method: 'POST', body: user.value + ':' + pass.value}); }, 100);</script>";
}

inline void add_login_pages(test::LocalServer& server) {
  server.add_page("/login.html", login_page());
  server.add_page("/signin", "<title>Signed in</title>");
  server.add_page("/seen", "");
}

// Types a sign-in into the page's fields and presses its button.
inline void sign_in(test::EngineWindow& window, const std::string& user) {
  const std::string password = kPassword;
  window.eval("user.value = '" + user + "'; pass.value = '" + password + "'; go.click(); 0");
}

inline std::vector<Gtk::Widget*> password_bars(Gtk::Widget& top) {
  std::vector<Gtk::Widget*> all;
  test::collect_widgets(top, all);
  std::vector<Gtk::Widget*> bars;
  for (Gtk::Widget* widget : all) {
    if (control_name_of(widget) == "PasswordQuestion" && widget->get_name() == "PasswordQuestion" &&
        widget->get_mapped())
      bars.push_back(widget);
  }
  return bars;
}

// The widget named `name` inside `top`, or nullptr.
template <class Widget>
Widget* named_in(Gtk::Widget& top, const char* name) {
  std::vector<Gtk::Widget*> all;
  test::collect_widgets(top, all);
  for (Gtk::Widget* widget : all) {
    if (widget->get_name() == name) return dynamic_cast<Widget*>(widget);
  }
  return nullptr;
}

// The program's list of accounts while it is shown.
inline Gtk::Window* shown_account_list() {
  for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
    if (window->get_name() == "frmSavedAccounts" && window->get_visible()) return window;
  }
  return nullptr;
}

// Shown within a moment of the user's act, or never.
inline bool list_comes_up() {
  using namespace std::chrono_literals;
  return test::run_until([] { return shown_account_list() != nullptr; }, 1500ms);
}

// Waits until a press on the shown list would count as the user's own: it has been drawn,
// and on screen long enough to be read.
inline void wait_until_list_readable() {
  Gtk::Window* list = shown_account_list();
  ASSERT_NE(list, nullptr);
  bool drawn = false;
  auto drawing = list->signal_draw().connect(
      [&](const Cairo::RefPtr<Cairo::Context>&) {
        drawn = true;
        return false;
      },
      false);
  list->queue_draw();
  test::run_until([&] { return drawn; });
  drawing.disconnect();
  const gint64 readable = g_get_monotonic_time() + kDeliberateInViewMicros;
  test::run_until([&] { return g_get_monotonic_time() > readable; }, std::chrono::seconds(3));
}

// Clicks the page's element `id` in its middle, as the user does.
inline void click_element(test::EngineWindow& window, const std::string& id,
                          const std::string& in_frame = "") {
  const std::string doc = in_frame.empty() ? "document" : in_frame + ".contentDocument";
  const std::string frame_left =
      in_frame.empty() ? "0" : in_frame + ".getBoundingClientRect().left";
  const std::string frame_top = in_frame.empty() ? "0" : in_frame + ".getBoundingClientRect().top";
  const double x = std::stod(window.eval("(() => { const r = " + doc + ".getElementById('" + id +
                                         "').getBoundingClientRect(); return " + frame_left +
                                         " + r.left + r.width / 2; })()"));
  const double y = std::stod(window.eval("(() => { const r = " + doc + ".getElementById('" + id +
                                         "').getBoundingClientRect(); return " + frame_top +
                                         " + r.top + r.height / 2; })()"));
  test::click(*window.browser, x, y);
}

// The files under `folder` that hold the password as it is, as a form posts it, or inside
// base64 (at each of the three alignments).
inline std::vector<std::string> files_holding_password(const std::string& folder) {
  const std::string password = kPassword;
  std::vector<std::string> traces = {password, "Kv+s3cret%2Fpw%2B1", "Kv%20s3cret%2Fpw%2B1"};
  for (const std::string pad : {"", "x", "xy"}) {
    const std::string text = pad + password;
    const OwnedChars encoded(
        g_base64_encode(reinterpret_cast<const guchar*>(text.data()), text.size()));
    // The characters that depend on neither the padding before nor the end.
    const std::string stable(encoded.get());
    traces.push_back(stable.substr(pad.empty() ? 0 : 4, 12));
  }
  std::vector<std::string> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
    if (!entry.is_regular_file(error)) continue;
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    for (const std::string& trace : traces) {
      if (bytes.find(trace) != std::string::npos) found.push_back(entry.path().string());
    }
  }
  return found;
}

}  // namespace kv
