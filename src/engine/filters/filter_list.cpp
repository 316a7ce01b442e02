#include "engine/filters/filter_list.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "engine/filters/filter_rule.h"
#include "engine/filters/json_text.h"

namespace kv {
namespace {

using Kind = FilterLine::Kind;

const char* kind_name(Kind kind) {
  switch (kind) {
    case Kind::kBlock:
      return "block";
    case Kind::kException:
      return "exception";
    case Kind::kDocumentException:
      return "page-exception";
    case Kind::kHide:
      return "hide";
    case Kind::kHideException:
      return "hide-exception";
    default:
      return "";
  }
}

struct Hide {
  std::string selector;
  std::vector<std::string> sites;
  std::vector<std::string> not_sites;
  bool dropped = false;
};

// What the #@# exceptions of one selector lift: everywhere, or these sites.
struct Lifted {
  bool everywhere = false;
  std::vector<std::string_view> sites;  // in the list's order, each once
  std::unordered_set<std::string_view> set;
  std::size_t bytes = 0;
};

// Whether `site` is one of `lifted` or a subdomain of one: a hash look-up per label.
bool lifted_on(std::string_view site, const std::unordered_set<std::string_view>& lifted) {
  while (true) {
    if (lifted.contains(site)) return true;
    const std::size_t dot = site.find('.');
    if (dot == std::string_view::npos) return false;
    site.remove_prefix(dot + 1);
  }
}

// Roughly what a site costs in the output: quotes, star and comma.
std::size_t site_bytes(std::string_view site) {
  return site.size() + 4;
}

// A #@# exception lifts the hiding rules of the same selector: everywhere, or on its
// sites. The engine has no exception for one selector, so the rules themselves change.
// One pass over the exceptions, one over the rules: a list with thousands of each must
// not cost their product. Returns false when the result would pass `budget` bytes.
bool apply_exceptions(std::vector<Hide>& hides, const std::vector<FilterLine>& exceptions,
                      std::size_t& budget) {
  std::unordered_map<std::string_view, Lifted> lifts;
  for (const auto& exception : exceptions) {
    Lifted& lifted = lifts[exception.selector];
    if (exception.sites.empty()) {
      if (exception.not_sites.empty()) lifted.everywhere = true;
      continue;
    }
    for (const auto& site : exception.sites)
      if (lifted.set.insert(site).second) {
        lifted.sites.push_back(site);
        lifted.bytes += site_bytes(site);
      }
  }
  // A rule for every site hides everything that rules of the same selector with
  // excepted sites do: those add nothing but size.
  std::unordered_set<std::string_view> everywhere;
  for (auto& hide : hides)
    if (hide.sites.empty() && hide.not_sites.empty() && !everywhere.insert(hide.selector).second)
      hide.dropped = true;
  // What each rule becomes is settled, and its size counted, before any is written.
  std::vector<std::pair<Hide*, const Lifted*>> widened;
  for (auto& hide : hides) {
    if (hide.dropped) continue;
    if (hide.sites.empty() && !hide.not_sites.empty() && everywhere.contains(hide.selector)) {
      hide.dropped = true;
      continue;
    }
    const auto found = lifts.find(hide.selector);
    if (found == lifts.end()) continue;
    const Lifted& lifted = found->second;
    if (lifted.everywhere) {
      hide.dropped = true;
    } else if (hide.sites.empty()) {
      if (lifted.bytes > budget) return false;
      budget -= lifted.bytes;
      widened.emplace_back(&hide, &lifted);
    } else {
      std::erase_if(hide.sites,
                    [&](const std::string& site) { return lifted_on(site, lifted.set); });
      if (hide.sites.empty()) hide.dropped = true;
    }
  }
  for (auto [hide, lifted] : widened) {
    // Reserved first: the set looks into the strings it would move.
    hide->not_sites.reserve(hide->not_sites.size() + lifted->sites.size());
    std::unordered_set<std::string_view> own(hide->not_sites.begin(), hide->not_sites.end());
    for (const auto site : lifted->sites)
      if (!own.contains(site)) hide->not_sites.emplace_back(site);
  }
  return true;
}

std::vector<std::string> with_star(const std::vector<std::string>& sites) {
  std::vector<std::string> out;
  for (const auto& site : sites) out.push_back("*" + site);
  return out;
}

std::string hide_rule(const Hide& hide) {
  std::string trigger = "{\"url-filter\":\".*\"";
  if (!hide.sites.empty()) trigger += ",\"if-domain\":" + json_string_array(with_star(hide.sites));
  if (!hide.not_sites.empty())
    trigger += ",\"unless-domain\":" + json_string_array(with_star(hide.not_sites));
  trigger += '}';
  return "{\"trigger\":" + trigger +
         ",\"action\":{\"type\":\"css-display-none\",\"selector\":" + json_quoted(hide.selector) +
         "}}";
}

ConvertedList refused(ConvertedList list, std::string why) {
  list.rules.clear();
  list.refused = std::move(why);
  return list;
}

}  // namespace

std::size_t ConvertedList::converted_count() const {
  std::size_t total = 0;
  for (const auto& [kind, count] : converted) total += count;
  return total;
}

std::size_t ConvertedList::skipped_count() const {
  std::size_t total = 0;
  for (const auto& [kind, count] : skipped) total += count;
  return total;
}

std::string ConvertedList::json() const {
  return json_array(rules);
}

ConvertedList convert_filter_list(std::string_view text) {
  ConvertedList list;
  std::vector<std::string> blocks;
  std::vector<std::string> exceptions;
  std::vector<std::string> page_exceptions;
  std::vector<Hide> hides;
  std::vector<FilterLine> hide_exceptions;
  std::size_t rule_count = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    FilterLine line = read_filter_line(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    const Kind kind = line.kind;
    rule_count += kind == Kind::kHide ? 1 : line.rules.size();
    if (rule_count > kMaxListRules) return refused(std::move(list), "too-many-rules");
    switch (kind) {
      case Kind::kNothing:
        continue;
      case Kind::kSkipped:
        ++list.skipped[line.skipped_kind];
        continue;
      case Kind::kBlock:
        std::move(line.rules.begin(), line.rules.end(), std::back_inserter(blocks));
        break;
      case Kind::kException:
        std::move(line.rules.begin(), line.rules.end(), std::back_inserter(exceptions));
        break;
      case Kind::kDocumentException:
        std::move(line.rules.begin(), line.rules.end(), std::back_inserter(page_exceptions));
        break;
      case Kind::kHide:
        hides.push_back(
            {std::move(line.selector), std::move(line.sites), std::move(line.not_sites)});
        break;
      case Kind::kHideException:
        hide_exceptions.push_back(std::move(line));
        break;
    }
    ++list.converted[kind_name(kind)];
  }

  std::size_t budget = kMaxListOutputBytes;
  for (const auto* part : {&blocks, &exceptions, &page_exceptions})
    for (const auto& rule : *part) budget -= std::min(budget, rule.size() + 1);
  if (!apply_exceptions(hides, hide_exceptions, budget))
    return refused(std::move(list), "too-large");

  // Exceptions lift only the rules before them, so they follow the blocks; page
  // exceptions come last, to lift the hiding rules too.
  list.rules = std::move(blocks);
  list.rules.reserve(list.rules.size() + exceptions.size() + hides.size() + page_exceptions.size());
  std::move(exceptions.begin(), exceptions.end(), std::back_inserter(list.rules));
  for (const auto& hide : hides)
    if (!hide.dropped) list.rules.push_back(hide_rule(hide));
  std::move(page_exceptions.begin(), page_exceptions.end(), std::back_inserter(list.rules));
  std::size_t bytes = 0;
  for (const auto& rule : list.rules) bytes += rule.size() + 1;
  if (bytes > kMaxListOutputBytes) return refused(std::move(list), "too-large");
  return list;
}

std::string describe_counts(const std::map<std::string, std::size_t>& counts) {
  std::vector<std::pair<std::string, std::size_t>> sorted(counts.begin(), counts.end());
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  std::string out;
  for (const auto& [kind, count] : sorted) {
    if (!out.empty()) out += ", ";
    out += std::to_string(count) + " " + kind;
  }
  return out;
}

}  // namespace kv
