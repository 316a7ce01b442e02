// Web content in the engine's sandbox: where its processes run, what they can see, and
// that the user's own files still open.
#include "engine/profile/web_sandbox.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "support/engine_window.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

std::string proc_line(int pid, const std::string& file, const std::string& prefix = "") {
  std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
  }
  return "";
}

// The web processes of this program, each with the names of the processes between it and
// this program.
std::map<int, std::vector<std::string>> our_web_processes() {
  std::map<int, std::vector<std::string>> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const int pid = std::atoi(entry.path().filename().c_str());
    if (pid <= 0 || proc_line(pid, "comm") != "WebKitWebProces") continue;
    std::vector<std::string> between;
    int at = std::atoi(proc_line(pid, "status", "PPid:").c_str());
    for (; at > 1 && at != ::getpid(); at = std::atoi(proc_line(at, "status", "PPid:").c_str())) {
      between.push_back(proc_line(at, "comm"));
    }
    if (at == ::getpid()) found[pid] = between;
  }
  return found;
}

TEST(WebSandbox, PagesRunUnderBubblewrapAndCannotSeeTheUsersFiles) {
  test::TempDir dir;
  const std::string secret = dir.file("secret.txt");
  test::write_bytes(secret, "only for the user");
  test::EngineWindow w;
  ASSERT_TRUE(w.load_html("<p>a page</p>"));

  const auto web_processes = our_web_processes();
  EXPECT_FALSE(web_processes.empty());
  for (const auto& [pid, between] : web_processes) {
    EXPECT_NE(std::find(between.begin(), between.end(), "bwrap"), between.end())
        << "web process " << pid << " is not confined";
    // Its own view of the file system has no such file; ours has.
    const std::string seen_from_inside = "/proc/" + std::to_string(pid) + "/root" + secret;
    EXPECT_FALSE(std::filesystem::exists(seen_from_inside)) << seen_from_inside;
  }
  EXPECT_TRUE(std::filesystem::exists(secret));
}

TEST(WebSandbox, AFileAddressOpensWithItsPictureAndScript) {
  test::TempDir dir;
  test::write_bytes(dir.file("page.html"),
                    "<title>Own file</title><img id=pic src='pic.svg'><script src='code.js'>"
                    "</script>");
  test::write_bytes(dir.file("pic.svg"),
                    "<svg xmlns='http://www.w3.org/2000/svg' width='7' height='5'></svg>");
  test::write_bytes(dir.file("code.js"), "document.title = 'Own file, script ran';");
  gchar* uri = g_filename_to_uri(dir.file("page.html").c_str(), nullptr, nullptr);
  test::EngineWindow w;
  test::EventLog log(*w.browser);
  ASSERT_TRUE(test::navigate_and_wait(*w.browser, log, uri));
  EXPECT_EQ(w.browser->LocationURL(), uri);
  EXPECT_EQ(w.eval("document.title"), "Own file, script ran");
  EXPECT_EQ(w.eval("String(document.getElementById('pic').naturalWidth)"), "7");
  g_free(uri);
}

TEST(WebSandbox, WithoutWorkingHelpersPagesRunUnconfinedRatherThanNotAtAll) {
  const test::TempDir dir;
  const std::string missing = dir.file("bwrap");
  EXPECT_NE(sandbox_unavailable_reason({missing, "/usr/bin/xdg-dbus-proxy"}).find(missing),
            std::string::npos);
  EXPECT_NE(sandbox_unavailable_reason({"/usr/bin/bwrap", missing}).find(missing),
            std::string::npos);
  // Installed, but refusing (as bubblewrap does where namespaces are switched off).
  EXPECT_NE(sandbox_unavailable_reason({"/bin/false", "/usr/bin/xdg-dbus-proxy"}), "");
  EXPECT_EQ(sandbox_unavailable_reason(), "") << "scripts/install-deps installs both";

  WebKitWebContext* unconfined = webkit_web_context_new();
  confine_web_content(unconfined, {missing, missing});
  EXPECT_FALSE(webkit_web_context_get_sandbox_enabled(unconfined));
  g_object_unref(unconfined);
  EXPECT_TRUE(webkit_web_context_get_sandbox_enabled(shared_web_context()));
}

}  // namespace
}  // namespace kv
