#include "engine/filters/filter_rule.h"

#include <algorithm>
#include <array>
#include <optional>
#include <set>

#include "engine/filters/json_text.h"

namespace kv {
namespace {

using Kind = FilterLine::Kind;

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

FilterLine skipped(std::string kind) {
  FilterLine line;
  line.kind = Kind::kSkipped;
  line.skipped_kind = std::move(kind);
  return line;
}

// A site as the engine takes it: lower-case ASCII letters, digits, dots and hyphens.
// "example.*" (any top-level domain) has no such form.
std::optional<std::string> site_name(std::string_view text, std::string& why) {
  std::string site = lower(text);
  if (site.empty()) {
    why = "domain";
    return std::nullopt;
  }
  if (site.ends_with(".*")) {
    why = "domain-entity";
    return std::nullopt;
  }
  for (const char c : site) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) {
      why = "non-ascii";
      return std::nullopt;
    }
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_')) {
      why = "domain";
      return std::nullopt;
    }
  }
  return site;
}

// "a.com|~b.com" (rules' options) or "a.com,~b.com" (hiding rules) into sites and
// excepted sites; false with `why` set when one of them has no form the engine takes.
bool read_sites(std::string_view text, char separator, std::vector<std::string>& sites,
                std::vector<std::string>& not_sites, std::string& why) {
  while (true) {
    const std::size_t end = text.find(separator);
    std::string_view item = trimmed(text.substr(0, end));
    const bool negated = item.starts_with("~");
    if (negated) item.remove_prefix(1);
    const auto site = site_name(item, why);
    if (!site) return false;
    (negated ? not_sites : sites).push_back(*site);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  // The engine's trigger has either sites or excepted sites, not both.
  if (!sites.empty() && !not_sites.empty()) {
    why = "domain-mixed";
    return false;
  }
  return true;
}

std::vector<std::string> with_star(const std::vector<std::string>& sites) {
  std::vector<std::string> out;
  out.reserve(sites.size());
  for (const auto& site : sites) out.push_back("*" + site);
  return out;
}

// Resource types by their names in lists, with the engine's name; "subdocument" is a
// document loaded in a frame and gets a rule of its own.
constexpr std::array<std::pair<std::string_view, std::string_view>, 17> kTypes{{
    {"script", "script"},
    {"image", "image"},
    {"stylesheet", "style-sheet"},
    {"css", "style-sheet"},
    {"font", "font"},
    {"media", "media"},
    {"object", "media"},
    {"xmlhttprequest", "fetch"},
    {"xhr", "fetch"},
    {"ping", "ping"},
    {"beacon", "ping"},
    {"websocket", "websocket"},
    {"other", "other"},
    {"popup", "popup"},
    {"document", "document"},
    {"subdocument", "subdocument"},
    {"frame", "subdocument"},
}};

// What a rule without types, or with only negated ones, applies to.
constexpr std::array<std::string_view, 11> kContentTypes{
    "script", "image", "style-sheet", "font",        "media",       "fetch",
    "ping",   "other", "websocket",   "subdocument", "svg-document"};

std::optional<std::string_view> engine_type(std::string_view name) {
  for (const auto& [list_name, engine_name] : kTypes)
    if (list_name == name) return engine_name;
  return std::nullopt;
}

struct Options {
  std::set<std::string_view> types;      // wanted, by the engine's names
  std::set<std::string_view> not_types;  // negated
  std::string load_type;                 // "", "first-party" or "third-party"
  std::vector<std::string> sites;
  std::vector<std::string> not_sites;
  bool match_case = false;
  bool all_types = false;
};

// Reads the options after $; an unknown or unsupported one names the skipped kind.
bool read_options(std::string_view text, bool exception, Options& options, std::string& why) {
  while (!text.empty()) {
    const std::size_t end = text.find(',');
    std::string name = lower(trimmed(text.substr(0, end)));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    std::string value;
    if (const std::size_t eq = name.find('='); eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    const bool negated = name.starts_with("~");
    const std::string bare = negated ? name.substr(1) : name;
    if (bare == "third-party" || bare == "3p" || bare == "first-party" || bare == "1p") {
      const bool third = (bare == "third-party" || bare == "3p") != negated;
      options.load_type = third ? "third-party" : "first-party";
    } else if (bare == "match-case" && !negated) {
      options.match_case = true;
    } else if ((bare == "domain" || bare == "from") && !negated) {
      if (!read_sites(value, '|', options.sites, options.not_sites, why)) return false;
    } else if (bare == "important" || (bare == "all" && !negated)) {
      // Precedence between our own lists does not arise: one list's exceptions only
      // ever lift its own rules.
      if (bare == "all") options.all_types = true;
    } else if (bare == "document" && exception && !negated) {
      options.types.insert("document");
    } else if (const auto type = engine_type(bare); type && value.empty()) {
      (negated ? options.not_types : options.types).insert(*type);
    } else {
      why = bare.empty() ? std::string("option") : bare;
      return false;
    }
  }
  return true;
}

std::string trigger_json(const std::string& url_filter, const Options& options,
                         const std::vector<std::string_view>& types, bool frames_only) {
  std::string out = "{\"url-filter\":" + json_quoted(url_filter);
  if (options.match_case) out += ",\"url-filter-is-case-sensitive\":true";
  if (!types.empty()) {
    out += ",\"resource-type\":[";
    for (std::size_t i = 0; i < types.size(); ++i) {
      if (i > 0) out += ',';
      out += json_quoted(types[i]);
    }
    out += ']';
  }
  if (frames_only) out += ",\"load-context\":[\"child-frame\"]";
  if (!options.load_type.empty()) out += ",\"load-type\":[" + json_quoted(options.load_type) + "]";
  if (!options.sites.empty())
    out += ",\"if-domain\":" + json_string_array(with_star(options.sites));
  if (!options.not_sites.empty())
    out += ",\"unless-domain\":" + json_string_array(with_star(options.not_sites));
  out += '}';
  return out;
}

FilterLine network_line(std::string_view text) {
  const bool exception = text.starts_with("@@");
  if (exception) text.remove_prefix(2);
  std::string_view pattern = text;
  std::string_view option_text;
  // Options follow the last $, unless it ends a regular expression ("/ad$/").
  if (const std::size_t dollar = text.rfind('$');
      dollar != std::string_view::npos && dollar + 1 < text.size() && text[dollar + 1] != '/') {
    pattern = text.substr(0, dollar);
    option_text = text.substr(dollar + 1);
  }
  Options options;
  std::string why;
  if (!read_options(option_text, exception, options, why)) return skipped(why);
  const std::string url_filter = url_filter_for(pattern, why);
  if (url_filter.empty()) return skipped(why);

  FilterLine line;
  line.kind = exception ? Kind::kException : Kind::kBlock;
  const std::string action =
      exception ? "{\"type\":\"ignore-previous-rules\"}" : "{\"type\":\"block\"}";
  if (options.types.contains("document") && exception) {
    // The whole page is let be: its loads and its hiding rules.
    line.kind = Kind::kDocumentException;
    options.types.erase("document");
    if (!options.types.empty() || !options.not_types.empty()) return skipped("document-mixed");
    line.rules.push_back("{\"trigger\":" + trigger_json(url_filter, options, {}, false) +
                         ",\"action\":" + action + "}");
    return line;
  }

  std::set<std::string_view> types = options.types;
  if (types.empty() && !options.not_types.empty())
    types.insert(kContentTypes.begin(), kContentTypes.end());
  for (const auto type : options.not_types) types.erase(type);
  if (types.empty() && (!options.types.empty() || !options.not_types.empty()))
    return skipped("no-type");
  const bool frames = types.erase("subdocument") > 0;
  std::vector<std::string_view> listed(types.begin(), types.end());
  if (options.all_types) listed.clear();
  if (!listed.empty() || !frames || options.all_types)
    line.rules.push_back("{\"trigger\":" + trigger_json(url_filter, options, listed, false) +
                         ",\"action\":" + action + "}");
  if (frames && !options.all_types)
    line.rules.push_back("{\"trigger\":" + trigger_json(url_filter, options, {"document"}, true) +
                         ",\"action\":" + action + "}");
  return line;
}

// Selector syntax that only the list publishers' own extensions understand.
constexpr std::array<std::string_view, 24> kProcedural{
    ":has-text(",      ":-abp-",     ":contains(",     ":xpath(",           ":upward(",
    ":remove(",        ":style(",    ":matches-css",   ":min-text-length(", ":watch-attr(",
    ":nth-ancestor(",  ":others(",   ":matches-path(", ":matches-attr(",    ":matches-prop(",
    ":matches-media(", ":if(",       ":if-not(",       ":remove-attr(",     ":remove-class(",
    ":spath(",         ":-abp-has(", ":not-has-text(", ":shadow("};

FilterLine hiding_line(std::string_view sites_text, std::string_view separator,
                       std::string_view selector) {
  if (separator == "#?#" || separator == "#@?#") return skipped("procedural");
  if (separator == "#$#" || separator == "#@$#") return skipped("snippet");
  if (separator == "#%#" || separator == "#@%#") return skipped("script");
  if (selector.starts_with("+js(")) return skipped("scriptlet");
  if (selector.starts_with("^")) return skipped("html-filter");
  for (const auto word : kProcedural)
    if (selector.find(word) != std::string_view::npos) return skipped("procedural");
  if (selector.empty()) return skipped("selector");
  for (const char c : selector) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) return skipped("non-ascii");
    // Braces would end the engine's style rule early; the rest is the page's stylesheet.
    if (byte < 0x20 || c == '{' || c == '}') return skipped("selector");
  }
  // A backslash at the end would escape what the engine puts after the selector.
  if (selector.ends_with("\\")) return skipped("selector");
  FilterLine line;
  line.kind = separator == "##" ? Kind::kHide : Kind::kHideException;
  line.selector = std::string(selector);
  std::string why;
  if (!sites_text.empty() && !read_sites(sites_text, ',', line.sites, line.not_sites, why))
    return skipped(why);
  return line;
}

}  // namespace

FilterLine read_filter_line(std::string_view text) {
  text = trimmed(text);
  if (text.empty() || text.starts_with("!") || text.starts_with("[")) return {};
  // "sites##selector" and its kin: the separator is the first # that starts one, and
  // what is before it is a list of sites.
  constexpr std::array<std::string_view, 8> kSeparators{"#@?#", "#@$#", "#@%#", "#@#",
                                                        "#?#",  "#$#",  "#%#",  "##"};
  if (const std::size_t hash = text.find('#'); hash != std::string_view::npos) {
    const std::string_view sites = text.substr(0, hash);
    const bool sites_like = sites.find_first_of("/|$@^:?=&") == std::string_view::npos;
    for (const auto separator : kSeparators) {
      if (sites_like && text.substr(hash).starts_with(separator))
        return hiding_line(sites, separator, trimmed(text.substr(hash + separator.size())));
    }
  }
  return network_line(text);
}

}  // namespace kv
