// Filter lists as published or as a user wrote them, in the Adblock Plus syntax. The
// engine rejects a whole list for one rule it cannot take, so every output must be a
// JSON array of rules whose patterns and sites are within what it takes; and each line
// must give the same rules whatever lines are around it.
#include <json-glib/json-glib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "desktop/glib_handles.h"
#include "engine/filters/filter_list.h"
#include "engine/filters/filter_rule.h"
#include "fuzz_support.h"

namespace {

using kv::FilterLine;
using kv::fuzz::require;

bool is_ascii(const char* text) {
  for (; *text != '\0'; ++text)
    if (static_cast<unsigned char>(*text) >= 0x80) return false;
  return true;
}

// What the engine's pattern reader refuses outright.
void check_pattern(const char* filter) {
  require(is_ascii(filter), "a pattern outside ASCII");
  const std::string text = filter;
  bool in_class = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
      continue;
    }
    require(text[i] != '|' && text[i] != '{' && text[i] != '}',
            "alternation or counted repetition");
    if (in_class) {
      in_class = text[i] != ']';
      continue;
    }
    if (text[i] == '[') {
      in_class = true;
      if (i + 1 < text.size() && text[i + 1] == '^') ++i;
      continue;
    }
    require(text[i] != '^' || i == 0, "^ inside a pattern");
    require(text[i] != '$' || i + 1 == text.size(), "$ inside a pattern");
  }
}

void check_sites(JsonObject* trigger, const char* member) {
  if (!json_object_has_member(trigger, member)) return;
  JsonArray* sites = json_object_get_array_member(trigger, member);
  require(sites != nullptr && json_array_get_length(sites) > 0, "an empty site list");
  for (guint i = 0; i < json_array_get_length(sites); ++i) {
    const char* site = json_array_get_string_element(sites, i);
    require(site != nullptr && is_ascii(site), "a site outside ASCII");
    for (const char* c = site; *c != '\0'; ++c) require(!g_ascii_isupper(*c), "a site in capitals");
  }
}

void check_json(const std::string& json) {
  kv::ObjectRef<JsonParser> parser(json_parser_new());
  require(json_parser_load_from_data(parser.get(), json.c_str(), -1, nullptr), "invalid JSON");
  JsonNode* root = json_parser_get_root(parser.get());
  require(root != nullptr && JSON_NODE_HOLDS_ARRAY(root), "not an array");
  JsonArray* rules = json_node_get_array(root);
  for (guint i = 0; i < json_array_get_length(rules); ++i) {
    JsonObject* rule = json_array_get_object_element(rules, i);
    require(rule != nullptr, "a rule that is not an object");
    JsonObject* trigger = json_object_get_object_member(rule, "trigger");
    JsonObject* action = json_object_get_object_member(rule, "action");
    require(trigger != nullptr && action != nullptr, "a rule without trigger or action");
    const char* filter = json_object_get_string_member(trigger, "url-filter");
    require(filter != nullptr && *filter != '\0', "a rule without a url-filter");
    check_pattern(filter);
    check_sites(trigger, "if-domain");
    check_sites(trigger, "unless-domain");
    require(!(json_object_has_member(trigger, "if-domain") &&
              json_object_has_member(trigger, "unless-domain")),
            "sites and excepted sites in one trigger");
    const char* type = json_object_get_string_member(action, "type");
    require(type != nullptr, "an action without a type");
    if (std::string(type) == "css-display-none") {
      const char* selector = json_object_get_string_member(action, "selector");
      require(selector != nullptr && is_ascii(selector), "a selector outside ASCII");
      require(std::string(selector).find_first_of("{}") == std::string::npos, "a brace");
    }
  }
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// The list's rules are each line's own, in the engine's order: blocks, exceptions,
// hiding rules (which #@# lines may lift), page exceptions.
void check_independence(const std::string& text, const kv::ConvertedList& list) {
  std::vector<std::string> before_hides;
  std::vector<std::string> exceptions;
  std::vector<std::string> after_hides;
  std::size_t hides = 0;
  for (const auto& line : lines_of(text)) {
    const FilterLine read = kv::read_filter_line(line);
    require(read.kind == FilterLine::Kind::kSkipped || read.skipped_kind.empty(),
            "a kind of skipping on a line that was kept");
    if (read.kind == FilterLine::Kind::kBlock)
      before_hides.insert(before_hides.end(), read.rules.begin(), read.rules.end());
    if (read.kind == FilterLine::Kind::kException)
      exceptions.insert(exceptions.end(), read.rules.begin(), read.rules.end());
    if (read.kind == FilterLine::Kind::kDocumentException)
      after_hides.insert(after_hides.end(), read.rules.begin(), read.rules.end());
    if (read.kind == FilterLine::Kind::kHide) ++hides;
  }
  before_hides.insert(before_hides.end(), exceptions.begin(), exceptions.end());
  require(list.rules.size() >= before_hides.size() + after_hides.size(), "rules went missing");
  require(list.rules.size() <= before_hides.size() + after_hides.size() + hides,
          "rules came from nowhere");
  require(std::equal(before_hides.begin(), before_hides.end(), list.rules.begin()),
          "a line's rules depend on its neighbours");
  require(std::equal(after_hides.rbegin(), after_hides.rend(), list.rules.rbegin()),
          "a page exception depends on its neighbours");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const kv::ConvertedList list = kv::convert_filter_list(text);
  if (!list.refused.empty()) {
    require(list.rules.empty(), "a refused list with rules");
    return 0;
  }
  check_json(list.json());
  check_independence(text, list);
  return 0;
}
