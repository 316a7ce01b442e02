#include "engine/filters/filter_list.h"

#include <gtest/gtest.h>
#include <json-glib/json-glib.h>

#include <regex>
#include <string>

#include "desktop/glib_handles.h"
#include "engine/filters/filter_rule.h"

namespace kv {
namespace {

// Whether the URL filter made of `pattern` matches `url` as the engine would: a search
// anywhere in the address, without regard to case.
bool matches(const std::string& pattern, const std::string& url) {
  std::string why;
  const std::string filter = url_filter_for(pattern, why);
  EXPECT_FALSE(filter.empty()) << pattern << ": " << why;
  return std::regex_search(url, std::regex(filter, std::regex::icase));
}

std::string only_rule(const std::string& line) {
  const FilterLine read = read_filter_line(line);
  EXPECT_EQ(read.rules.size(), 1U) << line << " skipped as " << read.skipped_kind;
  return read.rules.empty() ? "" : read.rules.front();
}

std::string skipped_as(const std::string& line) {
  const FilterLine read = read_filter_line(line);
  EXPECT_TRUE(read.rules.empty()) << line;
  return read.kind == FilterLine::Kind::kSkipped ? read.skipped_kind : "(not skipped)";
}

// Parses `json` as the engine's rule list would be: an array of objects, each with a
// trigger holding a url-filter and an action holding a type.
bool is_rule_array(const std::string& json) {
  ObjectRef<JsonParser> parser(json_parser_new());
  if (!json_parser_load_from_data(parser.get(), json.c_str(), -1, nullptr)) return false;
  JsonNode* root = json_parser_get_root(parser.get());
  if (!JSON_NODE_HOLDS_ARRAY(root)) return false;
  JsonArray* rules = json_node_get_array(root);
  for (guint i = 0; i < json_array_get_length(rules); ++i) {
    JsonObject* rule = json_array_get_object_element(rules, i);
    if (rule == nullptr || !json_object_has_member(rule, "trigger")) return false;
    JsonObject* trigger = json_object_get_object_member(rule, "trigger");
    JsonObject* action = json_object_get_object_member(rule, "action");
    if (trigger == nullptr || action == nullptr || !json_object_has_member(trigger, "url-filter") ||
        !json_object_has_member(action, "type"))
      return false;
  }
  return true;
}

TEST(FilterPatternTest, AnchorsWildcardsAndSeparatorsMatchAsListsMeanThem) {
  EXPECT_TRUE(matches("||ads.example.com^", "https://ads.example.com/x.js"));
  EXPECT_TRUE(matches("||ads.example.com^", "http://cdn.ads.example.com:8080/"));
  EXPECT_FALSE(matches("||ads.example.com^", "https://ads.example.com.evil.org/"));
  EXPECT_FALSE(matches("||ads.example.com^", "https://notads.example.com/"));
  EXPECT_FALSE(matches("||ads.example.com^", "https://news.org/?u=ads.example.com"));

  EXPECT_TRUE(matches("|https://track.", "https://track.example/p"));
  EXPECT_FALSE(matches("|https://track.", "http://x/?https://track."));
  EXPECT_TRUE(matches("/banner.gif|", "http://x/banner.gif"));
  EXPECT_FALSE(matches("/banner.gif|", "http://x/banner.gif?x=1"));

  EXPECT_TRUE(matches("/ads/*/pixel.", "http://x/ads/a/b/pixel.png"));
  EXPECT_FALSE(matches("/ads/*/pixel.", "http://x/pixel.png"));
  // ^ is a separator or the end, never a letter, digit or one of _ - . %
  EXPECT_TRUE(matches("/adframe^", "http://x/adframe?id=1"));
  EXPECT_TRUE(matches("/adframe^", "http://x/adframe"));
  EXPECT_FALSE(matches("/adframe^", "http://x/adframes.js"));
  EXPECT_FALSE(matches("/adframe^", "http://x/adframe.js"));
  // Characters special in expressions stand for themselves.
  EXPECT_TRUE(matches("/ad(1).js?v=", "http://x/ad(1).js?v=3"));
  EXPECT_FALSE(matches("/ad(1).js?v=", "http://x/ad1xjs?v=3"));
}

TEST(FilterPatternTest, EngineCannotTakeIsSkippedNeverPassedOn) {
  EXPECT_EQ(skipped_as("/ads?(banner|popup)/"), "regex");
  EXPECT_EQ(skipped_as("/ad[0-9]{3}\\.js/"), "regex");
  EXPECT_EQ(skipped_as("/\\d+x\\d+\\.gif/"), "regex");
  EXPECT_EQ(skipped_as("/(?!x)ad/"), "regex");
  EXPECT_EQ(skipped_as("||reklam\xC3\xA9.example^"), "non-ascii");
  EXPECT_EQ(skipped_as("||a.com^|b"), "pattern");
  // An expression within what the engine knows is kept as written.
  const std::string kept = only_rule("/\\/ad[a-z]+\\.js$/");
  EXPECT_NE(kept.find(R"("url-filter":"\\/ad[a-z]+\\.js$")"), std::string::npos) << kept;
}

TEST(FilterOptionsTest, PartyTypesDomainsAndCase) {
  EXPECT_NE(only_rule("||t.example^$third-party").find(R"("load-type":["third-party"])"),
            std::string::npos);
  EXPECT_NE(only_rule("||t.example^$~third-party").find(R"("load-type":["first-party"])"),
            std::string::npos);
  EXPECT_NE(only_rule("||t.example^$script,image").find(R"("resource-type":["image","script"])"),
            std::string::npos);
  EXPECT_NE(only_rule("||t.example^$xmlhttprequest,stylesheet")
                .find(R"("resource-type":["fetch","style-sheet"])"),
            std::string::npos);
  // A negated type: everything a page loads but that.
  const std::string not_script = read_filter_line("||t.example^$~script").rules.at(0);
  EXPECT_EQ(not_script.find("\"script\""), std::string::npos);
  EXPECT_NE(not_script.find("\"image\""), std::string::npos);
  // Frames are documents in a child frame: a rule of their own.
  const FilterLine frames = read_filter_line("||t.example^$subdocument,image");
  ASSERT_EQ(frames.rules.size(), 2U);
  EXPECT_NE(frames.rules[1].find(R"("resource-type":["document"],"load-context":["child-frame"])"),
            std::string::npos);

  EXPECT_NE(only_rule("/ad.js$domain=News.example|blog.example")
                .find(R"("if-domain":["*news.example","*blog.example"])"),
            std::string::npos);
  EXPECT_NE(only_rule("/ad.js$domain=~shop.example").find(R"("unless-domain":["*shop.example"])"),
            std::string::npos);
  EXPECT_NE(only_rule("/Ad.js$match-case").find(R"("url-filter-is-case-sensitive":true)"),
            std::string::npos);
  EXPECT_EQ(only_rule("/Ad.js").find("case-sensitive"), std::string::npos);

  // The engine has no trigger for sites and excepted sites together, nor for "any
  // top-level domain".
  EXPECT_EQ(skipped_as("/ad.js$domain=a.example|~b.a.example"), "domain-mixed");
  EXPECT_EQ(skipped_as("/ad.js$domain=google.*"), "domain-entity");
  EXPECT_EQ(skipped_as("/ad.js$domain=a.example/x"), "domain");
}

TEST(FilterOptionsTest, UnsupportedOptionsSkipTheRuleByKind) {
  EXPECT_EQ(skipped_as("||a.example^$csp=script-src 'none'"), "csp");
  EXPECT_EQ(skipped_as("||a.example/ad.js$script,redirect=noopjs"), "redirect");
  EXPECT_EQ(skipped_as("||a.example^$removeparam=utm_source"), "removeparam");
  EXPECT_EQ(skipped_as("||a.example^$script,~script"), "no-type");
  EXPECT_EQ(skipped_as("||a.example^$made-up"), "made-up");
}

TEST(FilterExceptionTest, ExceptionsLiftOnlyEarlierRulesAndComeAfterBlocks) {
  const ConvertedList list = convert_filter_list(
      "@@||cdn.example^$script\n"
      "||cdn.example^\n"
      "@@||good.example^$document\n"
      "good.example##.banner\n");
  ASSERT_EQ(list.rules.size(), 4U);
  EXPECT_NE(list.rules[0].find(R"("type":"block")"), std::string::npos);
  EXPECT_NE(list.rules[1].find("ignore-previous-rules"), std::string::npos);
  EXPECT_NE(list.rules[1].find(R"("resource-type":["script"])"), std::string::npos);
  EXPECT_NE(list.rules[2].find("css-display-none"), std::string::npos);
  // A page exception comes last, so that the page's hiding rules are lifted too.
  EXPECT_NE(list.rules[3].find("ignore-previous-rules"), std::string::npos);
  EXPECT_EQ(list.converted.at("exception"), 1U);
  EXPECT_EQ(list.converted.at("page-exception"), 1U);
}

TEST(FilterHidingTest, GenericSiteAndExceptedSelectors) {
  EXPECT_EQ(read_filter_line("##.ad-box").kind, FilterLine::Kind::kHide);
  const FilterLine sited = read_filter_line("News.example,blog.example###top-ad");
  EXPECT_EQ(sited.selector, "#top-ad");
  EXPECT_EQ(sited.sites, (std::vector<std::string>{"news.example", "blog.example"}));
  EXPECT_EQ(read_filter_line("~shop.example##.promo").not_sites,
            std::vector<std::string>{"shop.example"});

  const ConvertedList list = convert_filter_list(
      "##.ad-box\n"
      "##.sponsor\n"
      "shop.example#@#.ad-box\n"
      "#@#.sponsor\n"
      "a.example,b.example##.side\n"
      "a.example#@#.side\n");
  ASSERT_EQ(list.rules.size(), 2U);
  EXPECT_NE(list.rules[0].find(R"("unless-domain":["*shop.example"])"), std::string::npos);
  EXPECT_NE(list.rules[1].find(R"("if-domain":["*b.example"])"), std::string::npos);
  EXPECT_EQ(list.json().find(".sponsor"), std::string::npos);
}

TEST(FilterHidingTest, WhatOnlyOtherBlockersRunIsSkippedByKind) {
  EXPECT_EQ(skipped_as("example.com##+js(set-constant, x, 1)"), "scriptlet");
  EXPECT_EQ(skipped_as("example.com##div:has-text(Sponsored)"), "procedural");
  EXPECT_EQ(skipped_as("example.com#?#div:-abp-has(.ad)"), "procedural");
  EXPECT_EQ(skipped_as("example.com#$#abort-on-property-read x"), "snippet");
  EXPECT_EQ(skipped_as("example.com##^script:has-text(ad)"), "html-filter");
  EXPECT_EQ(skipped_as("google.*##.ad"), "domain-entity");
  // A brace would end the engine's style rule and let the rest become page style.
  EXPECT_EQ(skipped_as("##.a{display:block}"), "selector");
  EXPECT_EQ(skipped_as("##.a\\"), "selector");
  // CSS escapes inside a selector are fine.
  EXPECT_EQ(read_filter_line("###\\37 7ad").kind, FilterLine::Kind::kHide);
}

TEST(FilterListTest, CountsByKindAndAlwaysValidJson) {
  const ConvertedList list = convert_filter_list(
      "[Adblock Plus 2.0]\r\n"
      "! Title: test\r\n"
      "\r\n"
      "||ads.example^\r\n"
      "||x.example^$csp=default-src\r\n"
      "##.ad\r\n"
      "\"quoted\\\"##.b\r\n"
      "/\x01\xff/\r\n"
      "||y.example^$redirect=none\n");
  EXPECT_EQ(list.converted_count(), 2U);
  EXPECT_EQ(list.skipped.at("csp"), 1U);
  EXPECT_EQ(list.skipped.at("redirect"), 1U);
  EXPECT_EQ(list.skipped.at("non-ascii"), 1U);
  EXPECT_TRUE(is_rule_array(list.json())) << list.json();
  EXPECT_TRUE(is_rule_array(convert_filter_list("").json()));
  EXPECT_EQ(describe_counts({{"hide", 2}, {"block", 5}}), "5 block, 2 hide");
}

}  // namespace
}  // namespace kv
