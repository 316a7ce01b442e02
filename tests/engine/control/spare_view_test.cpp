#include "engine/control/spare_view.h"

#include <gtest/gtest.h>

#include <string>

#include "support/local_server.h"
#include "support/run_until.h"

namespace kv {
namespace {

// A program of its own: once spares are kept, every later control of the process takes one.
TEST(SpareView, IsKeptOnlyWhenAskedAndGivesAFreshViewEachTime) {
  test::LocalServer server;
  server.add_page("/a.html", "<html><head><title>A</title></head><body>a</body></html>");
  EXPECT_EQ(take_spare_view(), nullptr);

  keep_spare_view();
  ObjectRef<WebKitWebView> first;
  ASSERT_TRUE(test::run_until([&] { return (first = take_spare_view()) != nullptr; }));
  EXPECT_EQ(webkit_web_view_get_uri(first.get()), nullptr);

  // Starting its process left nothing behind: the first page has no page before it.
  const std::string url = server.url("/a.html");
  webkit_web_view_load_uri(first.get(), url.c_str());
  ASSERT_TRUE(test::run_until([&] {
    const char* title = webkit_web_view_get_title(first.get());
    return title != nullptr && std::string(title) == "A" &&
           !webkit_web_view_is_loading(first.get());
  }));
  EXPECT_FALSE(webkit_web_view_can_go_back(first.get()));

  // Taken, it is made again, as a view of its own.
  ObjectRef<WebKitWebView> second;
  ASSERT_TRUE(test::run_until([&] { return (second = take_spare_view()) != nullptr; }));
  EXPECT_NE(second.get(), first.get());
  EXPECT_EQ(webkit_web_view_get_uri(second.get()), nullptr);
}

}  // namespace
}  // namespace kv
