#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// What one list may be and become. More would cost minutes at every start, converting
// and compiling, and no published list comes near.
inline constexpr std::size_t kMaxListBytes = 32 * 1024 * 1024;
inline constexpr std::size_t kMaxListRules = 600000;
inline constexpr std::size_t kMaxListOutputBytes = 64 * 1024 * 1024;

// A filter list in the Adblock Plus syntax, converted to the engine's content-blocker
// rules. Counts are of the list's lines, by kind.
struct ConvertedList {
  std::vector<std::string> rules;  // JSON objects, in the order the engine needs
  std::map<std::string, std::size_t> converted;
  std::map<std::string, std::size_t> skipped;
  // Why none of the list is used ("too-many-rules", "too-large"); empty when it is.
  std::string refused;

  [[nodiscard]] std::size_t converted_count() const;
  [[nodiscard]] std::size_t skipped_count() const;
  // The rules as the engine's JSON array.
  [[nodiscard]] std::string json() const;
};

ConvertedList convert_filter_list(std::string_view text);

// "12 block, 3 hide" for counts by kind, largest first.
std::string describe_counts(const std::map<std::string, std::size_t>& counts);

}  // namespace kv
