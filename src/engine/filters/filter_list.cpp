#include "engine/filters/filter_list.h"

#include <algorithm>
#include <unordered_map>

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

bool within(const std::string& site, const std::string& parent) {
  return site == parent || (site.size() > parent.size() && site.ends_with(parent) &&
                            site[site.size() - parent.size() - 1] == '.');
}

// A #@# exception lifts the hiding rules of the same selector: everywhere, or on its
// sites. The engine has no exception for one selector, so the rules themselves change.
void apply_exception(const FilterLine& exception, std::vector<Hide>& hides,
                     const std::vector<std::size_t>& same_selector) {
  for (const std::size_t index : same_selector) {
    Hide& hide = hides[index];
    if (exception.sites.empty()) {
      if (exception.not_sites.empty()) hide.dropped = true;
      continue;
    }
    if (hide.sites.empty()) {
      for (const auto& site : exception.sites)
        if (std::find(hide.not_sites.begin(), hide.not_sites.end(), site) == hide.not_sites.end())
          hide.not_sites.push_back(site);
      continue;
    }
    std::erase_if(hide.sites, [&](const std::string& site) {
      return std::any_of(exception.sites.begin(), exception.sites.end(),
                         [&](const std::string& lifted) { return within(site, lifted); });
    });
    if (hide.sites.empty()) hide.dropped = true;
  }
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
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    FilterLine line = read_filter_line(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    const Kind kind = line.kind;
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

  if (!hide_exceptions.empty()) {
    std::unordered_map<std::string, std::vector<std::size_t>> by_selector;
    for (std::size_t i = 0; i < hides.size(); ++i) by_selector[hides[i].selector].push_back(i);
    for (const auto& exception : hide_exceptions) {
      const auto found = by_selector.find(exception.selector);
      if (found != by_selector.end()) apply_exception(exception, hides, found->second);
    }
  }

  // Exceptions lift only the rules before them, so they follow the blocks; page
  // exceptions come last, to lift the hiding rules too.
  list.rules = std::move(blocks);
  list.rules.reserve(list.rules.size() + exceptions.size() + hides.size() + page_exceptions.size());
  std::move(exceptions.begin(), exceptions.end(), std::back_inserter(list.rules));
  for (const auto& hide : hides)
    if (!hide.dropped) list.rules.push_back(hide_rule(hide));
  std::move(page_exceptions.begin(), page_exceptions.end(), std::back_inserter(list.rules));
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
