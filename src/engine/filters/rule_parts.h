#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kv {

// The most rules the engine compiles into one list; it refuses a longer one whole.
inline constexpr std::size_t kEngineRuleLimit = 150000;

struct RuleParts {
  std::vector<std::vector<std::string>> parts;
  std::size_t left_out = 0;  // rules that fit in no part: the first ones of the list
};

// Splits the engine's rules into lists of at most `limit` rules that together do what
// the one list would. An exception ("ignore-previous-rules") lifts only the rules before
// it in its own list, so each part is a run of rules followed by every later exception.
// Rules followed by more exceptions than a part holds are left out.
RuleParts split_rules(std::vector<std::string> rules, std::size_t limit = kEngineRuleLimit);

}  // namespace kv
