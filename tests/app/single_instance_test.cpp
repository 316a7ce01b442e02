// The built program on a session bus of its own (the test runs under dbus-run-session):
// options, a relative file, a second start handing its address to the running program,
// and the session file that a killed program leaves and a clean end removes.
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "desktop/glib_handles.h"
#include "session/session_file.h"
#include "support/local_server.h"
#include "support/run_until.h"
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

}  // namespace
}  // namespace kv
