// Web content in the engine's sandbox: where its processes run, what they can see, and
// that the user's own files still open.
#include "engine/web_sandbox.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/engine_window.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

std::string proc_text(int pid, const std::string& name) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/" + name);
  std::string text;
  std::getline(in, text);
  return text;
}

int parent_of(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("PPid:", 0) == 0) return std::stoi(line.substr(5));
  }
  return 0;
}

// Every process below `pid`, found through the kernel's lists of children.
std::vector<int> descendants(int pid) {
  std::vector<int> found;
  std::vector<int> todo{pid};
  while (!todo.empty()) {
    const int next = todo.back();
    todo.pop_back();
    std::error_code error;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(next) + "/task", error)) {
      std::ifstream children(task.path() / "children");
      for (int child = 0; children >> child;) {
        found.push_back(child);
        todo.push_back(child);
      }
    }
  }
  return found;
}

// The names of the processes between `pid` and this test program.
std::vector<std::string> names_up_to_us(int pid) {
  std::vector<std::string> names;
  for (int at = parent_of(pid); at > 1 && at != ::getpid(); at = parent_of(at)) {
    names.push_back(proc_text(at, "comm"));
  }
  return names;
}

TEST(WebSandbox, PagesRunUnderBubblewrapAndCannotSeeTheUsersFiles) {
  test::TempDir dir;
  const std::string secret = dir.file("secret.txt");
  test::write_bytes(secret, "only for the user");
  test::EngineWindow w;
  ASSERT_TRUE(w.load_html("<p>a page</p>"));

  int web_processes = 0;
  for (const int pid : descendants(::getpid())) {
    if (proc_text(pid, "comm") != "WebKitWebProces") continue;
    ++web_processes;
    const auto between = names_up_to_us(pid);
    EXPECT_NE(std::find(between.begin(), between.end(), "bwrap"), between.end())
        << "web process " << pid << " is not confined";
    // Its own view of the file system has no such file; ours has.
    const std::string seen_from_inside = "/proc/" + std::to_string(pid) + "/root" + secret;
    EXPECT_FALSE(std::filesystem::exists(seen_from_inside)) << seen_from_inside;
  }
  EXPECT_GT(web_processes, 0);
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
  EXPECT_EQ(w.browser->LocationName(), "Own file, script ran");
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
