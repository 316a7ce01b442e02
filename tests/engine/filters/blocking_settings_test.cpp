#include "engine/filters/blocking_settings.h"

#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include "engine/filters/json_text.h"

namespace kv {
namespace {

TEST(BlockingSettingsTest, PagesFilteredAreWebPagesOutsideTheAllowedSites) {
  const BlockingSettings settings{true, {"shop.example"}};
  EXPECT_TRUE(filters_page(settings, "https://news.example/a"));
  EXPECT_TRUE(filters_page(settings, "HTTP://News.Example/"));
  EXPECT_FALSE(filters_page(settings, "https://shop.example/cart"));
  EXPECT_FALSE(filters_page(settings, "https://WWW.SHOP.example:8443/"));
  EXPECT_TRUE(filters_page(settings, "https://notshop.example/"));
  EXPECT_TRUE(filters_page(settings, "https://shop.example.evil.test/"));
  // The program's own pages, and anything that is not a web address.
  for (const char* own : {"kv-notice:certificate", "kv-folder:///history", "about:blank",
                          "file:///home/u/page.html", "data:text/html,x", "", "not an address"})
    EXPECT_FALSE(filters_page(settings, own)) << own;
  EXPECT_FALSE(filters_page({false, {}}, "https://news.example/"));
}

TEST(BlockingSettingsTest, TypedSitesAndTheFileReadBackOrAsDefaults) {
  EXPECT_EQ(site_from_text("  https://WWW.Shop.Example:8080/cart?x  "), "shop.example");
  EXPECT_EQ(site_from_text("Blog.Example/post"), "blog.example");
  EXPECT_EQ(site_from_text("example.org."), "example.org");
  for (const char* bad :
       {"", "   ", "two words", "https://", "münchen.example", ".example", "a;b.example"})
    EXPECT_EQ(site_from_text(bad), "") << bad;

  const BlockingSettings settings{false, {"a.example", "b.example"}};
  EXPECT_EQ(blocking_settings_in(blocking_settings_text(settings)), settings);
  // Unreadable files, values and sites give the defaults, never a half-read setting.
  EXPECT_EQ(blocking_settings_in("\xff\xfe garbage [["), BlockingSettings{});
  EXPECT_EQ(blocking_settings_in("[Content blocking]\nEnabled=perhaps\n"), BlockingSettings{});
  EXPECT_EQ(
      blocking_settings_in("[Content blocking]\nAllowedSites=ok.example;bad site;OK.example\n")
          .allowed_sites,
      std::vector<std::string>{"ok.example"});

  // Kept for this user alone, as every file of the profile.
  ASSERT_TRUE(save_blocking_settings({false, {"kept.example"}}));
  GStatBuf info;
  ASSERT_EQ(g_stat(blocking_settings_path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600U);
  EXPECT_EQ(load_blocking_settings().allowed_sites, std::vector<std::string>{"kept.example"});
}

TEST(JsonTextTest, SplittingAnEngineListFindsItsRulesOrNothing) {
  std::vector<std::string> rules;
  ASSERT_TRUE(split_json_array(R"( [ {"a":"}{]["} , {"b":[{}]} ] )", rules));
  EXPECT_EQ(rules, (std::vector<std::string>{R"({"a":"}{]["})", R"({"b":[{}]})"}));
  EXPECT_EQ(json_array(rules), R"([{"a":"}{]["},{"b":[{}]}])");
  for (const char* bad : {"", "{}", "[", "[{}", "[1]", "[\"x\"]", "[{}] trailing", "[,{}]"})
    EXPECT_FALSE(split_json_array(bad, rules)) << bad;
  EXPECT_EQ(json_quoted("a\"\\\n\xC3\xA9"), R"("a\"\\\u000a\u00c3\u00a9")");
}

}  // namespace
}  // namespace kv
