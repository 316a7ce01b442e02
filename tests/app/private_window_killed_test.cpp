// The built program in a private window, on a session bus and in a home of its own: a file
// that its page asks for and a download are chosen in its dialogs with the user's keys,
// and the program is killed while the download runs. Nothing names them afterwards: not
// the desktop's recently used files, not the record of unfinished downloads.
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/download_server.h"
#include "support/file_bytes.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

using namespace std::chrono_literals;

// Runs xdotool on the test display, as the user's keyboard and mouse; what it printed.
std::string xdotool(const std::vector<std::string>& args) {
  std::vector<gchar*> argv{const_cast<gchar*>("xdotool")};
  for (const auto& arg : args) argv.push_back(const_cast<gchar*>(arg.c_str()));
  argv.push_back(nullptr);
  gchar* out = nullptr;
  gint status = 0;
  g_spawn_sync(nullptr, argv.data(), nullptr,
               static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDERR_TO_DEV_NULL), nullptr,
               nullptr, &out, nullptr, &status, nullptr);
  std::string text = out != nullptr ? out : "";
  g_free(out);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// The last shown window whose title begins with `title`; "" while there is none.
std::string window_named(const std::string& title) {
  const std::string found = xdotool({"search", "--onlyvisible", "--name", "^" + title});
  return found.substr(found.find_last_of('\n') + 1);
}

// The program's own process among the children of its session bus's runner.
pid_t program_under(pid_t runner) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink(entry.path() / "exe", error);
    if (error || exe != std::filesystem::path(KV_PROGRAM_PATH)) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string pid, name, state;
    pid_t parent = 0;
    stat >> pid >> name >> state >> parent;
    if (parent == runner) return static_cast<pid_t>(std::stol(pid));
  }
  return 0;
}

bool exists(const std::string& path) {
  return g_file_test(path.c_str(), G_FILE_TEST_EXISTS) != FALSE;
}

TEST(PrivateWindowKilled, ItsPagesFileAndItsDownloadAreNamedNowhere) {
  test::TempDir home;
  test::DownloadServer files;
  files.add_file("/report.zip", {4'000'000, true, {}, 1'000'000, "report.zip"});
  test::LocalServer pages;
  // The file field fills the page's top, the link its bottom.
  pages.add_page("/files.html",
                 "<title>Files</title><style>body{margin:0}#pick{position:fixed;left:0;top:0;"
                 "width:100%;height:180px}#get{position:fixed;left:0;top:260px;width:100%;"
                 "height:300px;display:block;background:#ccf}</style><input type=file id=pick "
                 "onchange=\"fetch('/picked?' + encodeURIComponent(this.files[0].name))\">"
                 "<a id=get href='" +
                     files.url("/report.zip") + "'>Report</a>");
  const std::string picked = home.file("0-picture.jpg");
  test::write_bytes(picked, "a picture");

  gchar** env = g_get_environ();
  for (const char* name : {"http_proxy", "https_proxy"}) {
    env = g_environ_setenv(env, name, pages.url("").c_str(), TRUE);
  }
  env = g_environ_setenv(env, "no_proxy", "127.0.0.1,localhost", TRUE);
  env = g_environ_setenv(env, "HOME", home.path().c_str(), TRUE);
  for (const char* name :
       {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
    env = g_environ_setenv(env, name, home.file(name).c_str(), TRUE);
  }
  env = g_environ_setenv(env, "NO_AT_BRIDGE", "1", TRUE);
  const std::string url = pages.url("/files.html");
  gchar* argv[] = {const_cast<gchar*>("dbus-run-session"), const_cast<gchar*>("--"),
                   const_cast<gchar*>(KV_PROGRAM_PATH),    const_cast<gchar*>("--private"),
                   const_cast<gchar*>(url.c_str()),        nullptr};
  GPid runner = 0;
  const bool started =
      g_spawn_async(home.path().c_str(), argv, env,
                    static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD),
                    nullptr, nullptr, &runner, nullptr) != FALSE;
  g_strfreev(env);
  ASSERT_TRUE(started);
  pid_t program = 0;
  const auto end = [&] {
    if (program != 0) kill(program, SIGKILL);
    int status = 0;
    waitpid(runner, &status, 0);
    g_spawn_close_pid(runner);
  };

  std::string main;
  const bool shown = test::run_until(
      [&] {
        if (program == 0) program = program_under(runner);
        return !(main = window_named("Files")).empty();
      },
      60s);
  if (!shown || program == 0) {
    end();
    FAIL() << "no private window of the program";
  }

  // The link, and the name that the save dialog proposes, taken with Return.
  std::string dialog;
  xdotool({"windowfocus", "--sync", main});
  xdotool({"mousemove", "--window", main, "300", "600", "click", "1"});
  test::run_until([&] { return !(dialog = window_named("Save File")).empty(); }, 20s);
  xdotool({"windowfocus", "--sync", dialog});
  xdotool({"key", "Return"});
  const bool downloading = test::run_until(
      [&] { return files.held() == 1 && !window_named("Downloading report.zip").empty(); }, 20s);

  const std::string recent = home.file("XDG_DATA_HOME") + "/recently-used.xbel";
  const std::string record = home.file("XDG_STATE_HOME") + "/kestrivane/unfinished-downloads";
  EXPECT_FALSE(exists(record)) << "while the download runs";

  // The page's file field, and the file picked in the chooser that comes up.
  xdotool({"windowfocus", "--sync", main});
  xdotool({"mousemove", "--window", main, "300", "200", "click", "1"});
  test::run_until([&] { return !(dialog = window_named("Select File")).empty(); }, 20s);
  // It lists the home folder, where the file's name comes first: the first row, taken.
  xdotool({"windowfocus", "--sync", dialog});
  xdotool({"key", "Home", "Return"});
  const bool chose = test::run_until([&] { return pages.requests("/picked") == 1; }, 20s);

  end();
  EXPECT_TRUE(downloading) << "the download did not start";
  EXPECT_TRUE(chose) << "the page did not get the file";
  EXPECT_FALSE(exists(recent)) << test::read_file(recent);
  EXPECT_FALSE(exists(record)) << test::read_file(record);
}

}  // namespace
}  // namespace kv
