#include <gtest/gtest.h>
#include <json-glib/json-glib.h>

#include <algorithm>
#include <string>

#include "desktop/glib_handles.h"
#include "engine/filters/filter_list.h"
#include "engine/filters/rule_parts.h"

namespace kv {
namespace {

// The sites of one trigger member of `rule`, in order.
std::vector<std::string> sites_of(const std::string& rule, const char* member) {
  ObjectRef<JsonParser> parser(json_parser_new());
  EXPECT_TRUE(json_parser_load_from_data(parser.get(), rule.c_str(), -1, nullptr)) << rule;
  JsonObject* trigger = json_object_get_object_member(
      json_node_get_object(json_parser_get_root(parser.get())), "trigger");
  std::vector<std::string> sites;
  if (!json_object_has_member(trigger, member)) return sites;
  JsonArray* array = json_object_get_array_member(trigger, member);
  for (guint i = 0; i < json_array_get_length(array); ++i)
    sites.emplace_back(json_array_get_string_element(array, i));
  return sites;
}

std::string numbered(const std::string& before, int count, const std::string& after) {
  std::string text;
  for (int i = 0; i < count; ++i) text += before + std::to_string(i) + after + "\n";
  return text;
}

std::string repeated(const std::string& line, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += line + "\n";
  return text;
}

TEST(HostileListTest, HidingRulesWithThousandsOfExceptionsConvertInFull) {
  const ConvertedList list = convert_filter_list(
      repeated("##.ad", 100) + numbered("~keep", 100, ".example##.ad") +
      numbered("s", 8000, ".example#@#.ad") + "t.example,s1.example,x.s2.example##.ad\n");
  ASSERT_TRUE(list.refused.empty());
  // Rules with excepted sites hide nothing that the rule for every site does not.
  ASSERT_EQ(list.rules.size(), 2U);
  const auto lifted = sites_of(list.rules[0], "unless-domain");
  ASSERT_EQ(lifted.size(), 8000U);
  EXPECT_EQ(lifted.front(), "*s0.example");
  EXPECT_EQ(lifted.back(), "*s7999.example");
  // A site's rule loses the sites lifted, and their subdomains.
  EXPECT_EQ(sites_of(list.rules[1], "if-domain"), std::vector<std::string>{"*t.example"});

  // Each rule with excepted sites of its own keeps them, and takes every lifted site.
  const ConvertedList own = convert_filter_list(numbered("~keep", 3, ".example##.ad") +
                                                "s0.example#@#.ad\nkeep1.example#@#.ad\n");
  ASSERT_EQ(own.rules.size(), 3U);
  EXPECT_EQ(sites_of(own.rules[1], "unless-domain"),
            (std::vector<std::string>{"*keep1.example", "*s0.example"}));
}

TEST(HostileListTest, ListWhoseRulesWouldPassTheCapIsRefusedWhole) {
  // Every rule with sites of its own would carry all 40,000 lifted sites.
  const ConvertedList wide = convert_filter_list(numbered("~k", 200, ".example##.ad") +
                                                 numbered("site", 40000, ".example#@#.ad"));
  EXPECT_EQ(wide.refused, "too-large");
  EXPECT_TRUE(wide.rules.empty());
  EXPECT_EQ(wide.converted.at("hide"), 200U);
}

// Whether the parts together do what `rules` does as one list: each rule is in a part,
// and followed there by every exception that followed it.
void expect_same_effect(const std::vector<std::string>& rules, const RuleParts& split,
                        std::size_t limit) {
  for (std::size_t i = split.left_out; i < rules.size(); ++i) {
    const auto holds = [&](const std::vector<std::string>& part) {
      const auto at = std::find(part.begin(), part.end(), rules[i]);
      if (at == part.end()) return false;
      for (std::size_t later = i + 1; later < rules.size(); ++later)
        if (rules[later].find("ignore-previous-rules") != std::string::npos &&
            std::find(at, part.end(), rules[later]) == part.end())
          return false;
      return true;
    };
    EXPECT_TRUE(std::any_of(split.parts.begin(), split.parts.end(), holds)) << rules[i];
  }
  for (const auto& part : split.parts) EXPECT_LE(part.size(), limit);
}

TEST(RulePartsTest, PartsWithinTheLimitKeepEveryExceptionAfterItsRules) {
  std::vector<std::string> rules;
  for (int i = 0; i < 11; ++i)
    rules.push_back(i % 4 == 2 ? R"({"action":{"type":"ignore-previous-rules"},"n":)" +
                                     std::to_string(i) + "}"
                               : R"({"action":{"type":"block"},"n":)" + std::to_string(i) + "}");
  const RuleParts split = split_rules(rules, 4);
  EXPECT_EQ(split.left_out, 0U);
  EXPECT_GE(split.parts.size(), 3U);
  expect_same_effect(rules, split, 4);

  EXPECT_EQ(split_rules(rules, 11).parts, std::vector<std::vector<std::string>>{rules});
  // Rules followed by more exceptions than a part holds are left out, and counted.
  const RuleParts full = split_rules(rules, 2);
  EXPECT_EQ(full.left_out, 6U);
  expect_same_effect(rules, full, 2);
}

}  // namespace
}  // namespace kv
