// The persistent profile across runs and with two copies of the program at once, each
// run a process of its own on a shared private data folder.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "support/local_server.h"
#include "support/run_until.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

struct ProgramRun {
  bool done = false;
  bool ok = false;
  std::string title;
};

void on_communicated(GObject* source, GAsyncResult* result, gpointer data) {
  auto* run = static_cast<ProgramRun*>(data);
  gchar* out = nullptr;
  GSubprocess* process = G_SUBPROCESS(source);
  if (g_subprocess_communicate_utf8_finish(process, result, &out, nullptr, nullptr) != FALSE) {
    run->ok =
        g_subprocess_get_if_exited(process) != FALSE && g_subprocess_get_exit_status(process) == 0;
    run->title = out != nullptr ? g_strchomp(out) : "";
  }
  g_free(out);
  run->done = true;
}

// The result of one SQL statement's first column, "" on failure.
std::string query(const std::string& database, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string answer;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      const auto* text = sqlite3_column_text(statement, 0);
      answer = text != nullptr ? reinterpret_cast<const char*>(text) : "";
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return answer;
}

class WebProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Persistent cookies by header, session cookies by script.
    for (const char* name : {"a", "b"}) {
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

  // Starts one run of the program on the shared profile; `run` is filled when it ends.
  void start(const std::string& path, ProgramRun& run) {
    GSubprocessLauncher* launcher = g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_STDOUT_PIPE);
    g_subprocess_launcher_setenv(launcher, "HOME", profile.path().c_str(), TRUE);
    g_subprocess_launcher_setenv(launcher, "XDG_DATA_HOME", data().c_str(), TRUE);
    g_subprocess_launcher_setenv(launcher, "XDG_CACHE_HOME", cache().c_str(), TRUE);
    const std::string url = server.url(path);
    const char* argv[] = {KV_PROFILE_PROBE, url.c_str(), nullptr};
    GSubprocess* process = g_subprocess_launcher_spawnv(launcher, argv, nullptr);
    g_object_unref(launcher);
    ASSERT_NE(process, nullptr);
    g_subprocess_communicate_utf8_async(process, nullptr, nullptr, &on_communicated, &run);
    g_object_unref(process);
  }

  ProgramRun run_once(const std::string& path) {
    ProgramRun run;
    start(path, run);
    test::run_until([&] { return run.done; }, std::chrono::seconds(60));
    return run;
  }

  [[nodiscard]] std::string data() const { return profile.file("data"); }
  [[nodiscard]] std::string cache() const { return profile.file("cache"); }

  test::LocalServer server;
  test::TempDir profile;
};

TEST_F(WebProfileTest, CookiesOfTwoCopiesAtOnceAndStorageAreKeptForTheNextRun) {
  ProgramRun first;
  ProgramRun second;
  start("/set-a", first);
  start("/set-b", second);
  ASSERT_TRUE(test::run_until([&] { return first.done && second.done; }, std::chrono::seconds(60)));
  ASSERT_TRUE(first.ok && second.ok) << first.title << " / " << second.title;

  ASSERT_EQ(run_once("/store").title, "stored");
  const ProgramRun next = run_once("/show");
  ASSERT_TRUE(next.ok);
  const std::string& seen = next.title;
  EXPECT_NE(seen.find("a=1"), std::string::npos) << seen;
  EXPECT_NE(seen.find("b=1"), std::string::npos) << seen;
  EXPECT_EQ(seen.find("session_"), std::string::npos) << "session cookies end with a run: " << seen;
  EXPECT_NE(seen.find("storage[kept]"), std::string::npos) << seen;

  const std::string cookies = data() + "/kestrivane/cookies.sqlite";
  EXPECT_EQ(query(cookies, "PRAGMA integrity_check"), "ok");
  EXPECT_EQ(query(cookies, "SELECT count(*) FROM moz_cookies"), "2");
  EXPECT_TRUE(std::filesystem::is_directory(data() + "/kestrivane/website-data"));
  EXPECT_TRUE(std::filesystem::is_directory(cache() + "/kestrivane"));
}

}  // namespace
}  // namespace kv
