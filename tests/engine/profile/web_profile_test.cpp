// The persistent profile across runs and with two copies of the program at once, each
// run a process of its own on a private profile.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "support/local_server.h"
#include "support/run_until.h"
#include "support/sqlite_value.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

// One run of the program: the title that the page it loaded gave itself.
struct ProgramRun {
  bool done = false;
  std::string title;
};

class WebProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a", "b"}) {  // a persistent cookie, and a session one
      const std::string path = std::string("/set-") + name;
      server.add_page(path, std::string("<script>document.cookie = 'session_") + name +
                                "=1'; document.title = 'set';</script>");
      server.add_header(path, "Set-Cookie", std::string(name) + "=1; Max-Age=86400");
    }
    server.add_page("/store",
                    "<script>localStorage.setItem('k', 'kept'); "
                    "document.title = 'stored';</script>");
    server.add_page("/show",
                    "<script>document.title = 'cookies[' + document.cookie + "
                    "'] storage[' + localStorage.getItem('k') + ']';</script>");
  }

  void start(const std::string& path, ProgramRun& run) {
    GSubprocessLauncher* launcher = g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_STDOUT_PIPE);
    g_subprocess_launcher_setenv(launcher, "XDG_DATA_HOME", profile.file("data").c_str(), TRUE);
    g_subprocess_launcher_setenv(launcher, "XDG_CACHE_HOME", profile.file("cache").c_str(), TRUE);
    const std::string url = server.url(path);
    const char* argv[] = {KV_PROFILE_PROBE, url.c_str(), nullptr};
    GSubprocess* process = g_subprocess_launcher_spawnv(launcher, argv, nullptr);
    g_object_unref(launcher);
    ASSERT_NE(process, nullptr);
    g_subprocess_communicate_utf8_async(
        process, nullptr, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
          auto* run = static_cast<ProgramRun*>(data);
          gchar* out = nullptr;
          g_subprocess_communicate_utf8_finish(G_SUBPROCESS(source), result, &out, nullptr,
                                               nullptr);
          run->title = out != nullptr ? g_strchomp(out) : "";
          g_free(out);
          run->done = true;
        },
        &run);
    g_object_unref(process);
  }

  std::string run_once(const std::string& path) {
    ProgramRun run;
    start(path, run);
    test::run_until([&] { return run.done; }, std::chrono::seconds(60));
    return run.title;
  }

  test::LocalServer server;
  test::TempDir profile;
};

TEST_F(WebProfileTest, CookiesOfTwoCopiesAtOnceAndStorageAreKeptForTheNextRun) {
  ProgramRun first;
  ProgramRun second;
  start("/set-a", first);
  start("/set-b", second);
  ASSERT_TRUE(test::run_until([&] { return first.done && second.done; }, std::chrono::seconds(60)));
  ASSERT_EQ(first.title + second.title, "setset");
  ASSERT_EQ(run_once("/store"), "stored");

  const std::string seen = run_once("/show");
  EXPECT_NE(seen.find("a=1"), std::string::npos) << seen;
  EXPECT_NE(seen.find("b=1"), std::string::npos) << seen;
  EXPECT_EQ(seen.find("session_"), std::string::npos) << "session cookies end with a run: " << seen;
  EXPECT_NE(seen.find("storage[kept]"), std::string::npos) << seen;

  const std::string cookies = profile.file("data/kestrivane/cookies.sqlite");
  EXPECT_EQ(test::sqlite_value(cookies, "PRAGMA integrity_check"), "ok");
  EXPECT_EQ(test::sqlite_value(cookies, "SELECT count(*) FROM moz_cookies"), "2");
  EXPECT_TRUE(std::filesystem::is_directory(profile.file("data/kestrivane/website-data")));
  EXPECT_TRUE(std::filesystem::is_directory(profile.file("cache/kestrivane/WebKitCache")));
}

}  // namespace
}  // namespace kv
