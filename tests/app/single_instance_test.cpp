// The built program on a session bus of its own (the test runs under dbus-run-session):
// options, a relative file, a second start handing its address to the running program,
// and the session file that a killed program leaves and a clean end removes, with
// nothing typed into a page in it; and a private window, which leaves nothing behind.
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/program.h"
#include "browser/form1.h"
#include "desktop/glib_handles.h"
#include "engine/control/webkit_browser.h"
#include "session/lost_session.h"
#include "session/session_file.h"
#include "support/files_holding.h"
#include "support/local_server.h"
#include "support/loopback_engine.h"
#include "support/run_until.h"
#include "support/scripted_desktop_services.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

using namespace std::chrono_literals;

class ProgramStarts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(g_getenv("DBUS_SESSION_BUS_ADDRESS"), nullptr) << "needs a session bus";
    for (const std::string name : {"one", "two"}) {
      server.add_page("/" + name + ".html", "<title>" + name + "</title><body onload=\"fetch('/" +
                                                name + "-loaded')\">" + name + "</body>");
    }
  }

  OwnedStrv environment() const {
    gchar** env = g_get_environ();
    env = g_environ_setenv(env, "HOME", home.path().c_str(), TRUE);
    for (const char* name :
         {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
      env = g_environ_setenv(env, name, home.file(name).c_str(), TRUE);
    }
    // The start page's host never resolves: nothing leaves this machine.
    env = g_environ_setenv(env, "http_proxy", "http://127.0.0.1:9", TRUE);
    env = g_environ_setenv(env, "no_proxy", "127.0.0.1", TRUE);
    env = g_environ_setenv(env, "NO_AT_BRIDGE", "1", TRUE);
    // The packaged filter lists would take a minute to compile at a first start.
    const std::string settings = home.file("XDG_CONFIG_HOME") + "/kestrivane";
    g_mkdir_with_parents(settings.c_str(), 0700);
    g_file_set_contents((settings + "/content-blocking.ini").c_str(),
                        "[Content blocking]\nEnabled=false\n", -1, nullptr);
    return OwnedStrv(env);
  }

  // Runs to its end; its exit status, and what it wrote to stderr.
  int run(std::vector<std::string> arguments, std::string* errors = nullptr,
          const std::string& cwd = "") {
    std::vector<gchar*> argv{const_cast<gchar*>(KV_PROGRAM_PATH)};
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    OwnedChars err;
    gint status = -1;
    const OwnedStrv env = environment();
    if (g_spawn_sync(cwd.empty() ? home.path().c_str() : cwd.c_str(), argv.data(), env.get(),
                     G_SPAWN_STDOUT_TO_DEV_NULL, nullptr, nullptr, nullptr, out(err), &status,
                     nullptr) == FALSE) {
      return -1;
    }
    if (errors != nullptr) *errors = err ? err.get() : "";
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Starts the program and leaves it running.
  GPid start(std::vector<std::string> arguments, const std::string& cwd = "") {
    std::vector<gchar*> argv{const_cast<gchar*>(KV_PROGRAM_PATH)};
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const OwnedStrv env = environment();
    GPid pid = 0;
    EXPECT_TRUE(g_spawn_async(cwd.empty() ? home.path().c_str() : cwd.c_str(), argv.data(),
                              env.get(), G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &pid,
                              nullptr));
    running.push_back(pid);
    return pid;
  }

  static bool gone(GPid pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
  }

  // Processes of the program file now running.
  static int program_processes() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
      std::error_code error;
      const auto exe = std::filesystem::read_symlink(entry.path() / "exe", error);
      if (!error && exe == std::filesystem::path(KV_PROGRAM_PATH)) ++count;
    }
    return count;
  }

  std::optional<Session> session_file() const {
    OwnedChars text;
    gsize length = 0;
    const std::string path = home.file("XDG_STATE_HOME") + "/kestrivane/session";
    if (g_file_get_contents(path.c_str(), out(text), &length, nullptr) == FALSE) return {};
    return parse_session_file(std::string_view(text.get(), length));
  }

  void TearDown() override {
    for (const GPid pid : running) {
      if (kill(pid, 0) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
      }
    }
  }

  test::TempDir home;
  test::LocalServer server;
  std::vector<GPid> running;
};

TEST_F(ProgramStarts, OptionsAreAnsweredAndAnUnknownOneRefusedWithoutAWindow) {
  EXPECT_EQ(run({"--help"}), 0);
  EXPECT_EQ(run({"--version"}), 0);
  std::string errors;
  EXPECT_EQ(run({server.url("/one.html"), "--no-such-option"}, &errors), 2);
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
  EXPECT_NE(errors.find("--no-such-option"), std::string::npos);
  EXPECT_EQ(server.requests("/one.html"), 0);
}

TEST_F(ProgramStarts, ASecondStartOpensItsPageInTheRunningProgramWhichKeepsItsSession) {
  // A file named relative to the caller's folder.
  test::TempDir caller;
  std::ofstream(caller.file("local.html")) << "<img src=\"" << server.url("/local-loaded") << "\">";
  const GPid first = start({"local.html", server.url("/one.html")}, caller.path());
  ASSERT_TRUE(test::run_until(
      [&] { return server.requests("/local-loaded") == 1 && server.requests("/one-loaded") == 1; },
      30s));

  EXPECT_EQ(run({server.url("/two.html")}, nullptr, "/"), 0);
  ASSERT_TRUE(test::run_until([&] { return server.requests("/two-loaded") == 1; }, 30s));
  EXPECT_FALSE(gone(first));
  EXPECT_EQ(program_processes(), 1);

  // Killed, it leaves its three windows behind for the next start.
  ASSERT_TRUE(test::run_until([&] {
    const auto session = session_file();
    return session && session->windows.size() == 3 &&
           session->windows[2].address == server.url("/two.html");
  }));
  kill(first, SIGKILL);
  ASSERT_TRUE(test::run_until([&] { return gone(first); }));
  ASSERT_TRUE(session_file());

  // The next program keeps a session of its own, and removes it at a clean end.
  const GPid next = start({server.url("/one.html")});
  ASSERT_TRUE(test::run_until([&] { return server.requests("/one-loaded") == 2; }, 30s));
  ASSERT_TRUE(test::run_until([&] {
    const auto session = session_file();
    return session && session->windows.size() == 2;  // the notice's window and one.html
  }));
  kill(next, SIGTERM);
  ASSERT_TRUE(test::run_until([&] { return gone(next); }, 30s));
  EXPECT_FALSE(session_file());
}

// A form that a user fills in and sends (by script here, once its page has loaded). The
// page carries what is typed backwards, so that the engine's cache of it holds nothing.
std::string posted_form(const std::string& action, const std::string& field,
                        const std::string& typed) {
  return "<form method=post action=" + action +
         "><input name=user value=alice><input name=" + field +
         " type=" + (field == "password" ? "password" : "text") +
         "></form><script>onload = () => setTimeout(() => { if (history.length > 1) return; "
         "const form = document.forms[0]; form." +
         field + ".value = [...'" + std::string(typed.rbegin(), typed.rend()) +
         "'].reverse().join(''); form.submit(); }, 50)</script>";
}

TEST_F(ProgramStarts, AKilledProgramKeepsNothingTypedAndItsPostedPagesAreNotPostedAgain) {
  const std::string password = "Kv pw&7=Zq!";
  const std::string card = "4111222233334444";
  server.add_page("/signin.html", posted_form("/signin", "password", password));
  // Signed in, the user goes on to another page.
  server.add_page("/signin",
                  "<title>Welcome</title><body onload=\"if (history.length == 2) "
                  "setTimeout(() => location = '/further.html', 50)\">");
  server.add_page("/further.html",
                  "<title>Further</title><body onload=\"fetch('/further-loaded')\">");
  server.add_page("/pay.html", posted_form("/pay", "card", card));
  server.add_page("/pay", "<title>Paid</title>paid");

  const GPid program = start({server.url("/signin.html"), server.url("/pay.html")});
  ASSERT_TRUE(test::run_until(
      [&] {
        const auto session = session_file();
        return session && session->windows.size() == 2 &&
               session->windows[0].address == server.url("/further.html") &&
               session->windows[1].address == server.url("/pay");
      },
      30s));
  kill(program, SIGKILL);
  ASSERT_TRUE(test::run_until([&] { return gone(program); }));
  EXPECT_EQ(server.requests("POST /signin"), 1);
  EXPECT_EQ(server.requests("POST /pay"), 1);
  for (const std::string& secret : {password, card}) {
    EXPECT_EQ(test::files_holding(home.path(), secret), std::vector<std::string>{}) << secret;
  }

  // Both windows come back with their Back lists; the payment's page loads by GET.
  const auto lost = session_file();
  ASSERT_EQ(lost->windows.size(), 2U);
  test::keep_engine_on_loopback();
  test::ScriptedDesktopServices services;
  WebKitBrowserFactory browsers;
  test::TempDir app_folder;
  Program next{services, browsers, app_folder.path(), [] {}};
  std::vector<Form1*> windows;
  for (const SessionWindow& window : lost->windows) {
    windows.push_back(&next.open_main_window(""));
    reopen_window(*windows.back(), window);
  }
  ASSERT_TRUE(test::run_until(
      [&] { return server.requests("/further-loaded") == 2 && server.requests("/pay") == 2; },
      30s));
  EXPECT_EQ(server.requests("POST /pay"), 1) << "the payment was sent again";
  for (Form1* window : windows) EXPECT_TRUE(window->cmdBack.get_sensitive());
  windows[0]->cmdBack.clicked();
  EXPECT_TRUE(
      test::run_until([&] { return windows[0]->wWeb.LocationURL() == server.url("/signin"); }));
  EXPECT_EQ(server.requests("POST /signin"), 1);
}

TEST_F(ProgramStarts, APrivateWindowLeavesNothingOnDiskWhenTheProgramIsKilled) {
  const std::string marker = "kv-marker-" + std::to_string(g_random_int());
  const std::string cookie = "kv-cookie-" + std::to_string(g_random_int());
  const std::string path = "/hush-" + std::to_string(g_random_int()) + ".html";
  server.add_page(path, "<title>" + marker + "</title><body onload=\"localStorage.m = '" + marker +
                            "'; fetch('/hush-loaded')\">" + marker + "</body>");
  server.add_header(path, "Set-Cookie", "hush=" + cookie + "; Max-Age=86400");
  const GPid program = start({"--private", server.url(path)});
  ASSERT_TRUE(test::run_until([&] { return server.requests("/hush-loaded") == 1; }, 30s));

  // A normal window opened after it is written down: the session and the history were.
  EXPECT_EQ(run({server.url("/one.html")}), 0);
  ASSERT_TRUE(test::run_until(
      [&] {
        const auto session = session_file();
        return session && session->windows.size() == 1 &&
               session->windows[0].address == server.url("/one.html");
      },
      30s));
  kill(program, SIGKILL);
  ASSERT_TRUE(test::run_until([&] { return gone(program); }));
  EXPECT_FALSE(test::files_holding(home.path(), server.url("/one.html")).empty());
  for (const std::string& secret : {server.url(path), marker, cookie}) {
    EXPECT_EQ(test::files_holding(home.path(), secret), std::vector<std::string>{}) << secret;
  }
}

}  // namespace
}  // namespace kv
