#include "engine/filters/rule_parts.h"

#include <iterator>

namespace kv {
namespace {

// A rule of another list's text may say so inside a pattern too; such a rule is then
// only repeated after the run, where it still follows the rules it followed before.
bool lifts_earlier_rules(const std::string& rule) {
  return rule.find("\"ignore-previous-rules\"") != std::string::npos;
}

}  // namespace

RuleParts split_rules(std::vector<std::string> rules, std::size_t limit) {
  RuleParts out;
  const std::size_t count = rules.size();
  if (count <= limit) {
    if (count > 0) out.parts.push_back(std::move(rules));
    return out;
  }
  // later[i]: how many exceptions there are from rule i on.
  std::vector<std::size_t> later(count + 1, 0);
  for (std::size_t i = count; i-- > 0;) later[i] = later[i + 1] + (lifts_earlier_rules(rules[i]));
  // A rule with more exceptions after it than a part holds has no place: those are
  // the first rules, whose leaving out changes nothing for the rest.
  std::size_t first = 0;
  while (first < count && 1 + later[first + 1] > limit) ++first;
  out.left_out = first;
  while (first < count) {
    std::size_t end = first;
    while (end < count && end + 1 - first + later[end + 1] <= limit) ++end;
    std::vector<std::string> part;
    part.reserve(end - first + later[end]);
    for (std::size_t i = end; i < count; ++i)
      if (lifts_earlier_rules(rules[i])) part.push_back(rules[i]);
    part.insert(part.begin(), std::make_move_iterator(rules.begin() + static_cast<long>(first)),
                std::make_move_iterator(rules.begin() + static_cast<long>(end)));
    out.parts.push_back(std::move(part));
    first = end;
  }
  return out;
}

}  // namespace kv
