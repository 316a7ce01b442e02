#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kv {

// The address box lists at most this many suggestions.
inline constexpr std::size_t kSuggestionRows = 8;

// What the user typed, as it is matched.
struct TypedQuery {
  std::vector<std::string> words;  // folded, each once, longest first
  std::string stem;  // the whole text as the start of an address; "" when it has blanks
};
TypedQuery parse_typed(std::string_view typed);

// Whether every word is in the folded title or in the address stem.
bool matches(const TypedQuery& query, std::string_view folded_title, std::string_view stem);

// One row of the list, and what it is ranked by.
struct Suggestion {
  std::string address;      // as it goes into the address box
  std::string title;        // "" when none is known
  bool in_history = false;  // Shift+Delete can take it out of the history
  bool prefix = false;      // its address (after scheme and "www.") begins with the text
  double rank = 0;          // frecency, larger first
};

// Frecency as a log: log2 of the sum, over the visits, of the visit's weight times
// 2^(when / half-life). Each visit's share halves every half-life, so the order of two
// pages never changes while nobody visits them, and a page's rank can be kept in the
// history store and added to at each visit without ever being worked out again.
namespace frecency {
inline constexpr double kHalfLifeSeconds = 7 * 24 * 3600.0;
// A link followed; an address the user typed or chose (favourite, suggestion, Home).
inline constexpr double kLinkWeight = 1;
inline constexpr double kChosenWeight = 4;
double of_visit(std::int64_t when, double weight);
double add(double a, double b);
}  // namespace frecency

// Visits of one address within a minute of the one that counted are one visit, of the
// greatest weight among them: a page that reloads itself, or a user's Refresh, adds
// nothing, and an address chosen right after its link was followed weighs as chosen.
class RepeatedVisits {
 public:
  static constexpr std::int64_t kWindowSeconds = 60;
  // The weight that a visit at `when` (seconds) of `weight` adds to the page's rank.
  double added_weight(const std::string& address, std::int64_t when, double weight);
  // The page's visits, or all, went out of the history: the next visit counts in full.
  void forget(const std::string& address) { recent_.erase(address); }
  void clear() { recent_.clear(); }

 private:
  struct Counted {
    std::int64_t when = 0;
    double weight = 0;
  };
  std::unordered_map<std::string, Counted> recent_;
  std::int64_t last_sweep_ = 0;
};

// The favourites, or a window's typed addresses, folded once for matching.
class SuggestionEntries {
 public:
  void add(std::string address, std::string title);
  [[nodiscard]] std::size_t size() const { return entries_.size(); }
  // The first `limit` matches that begin with the text, and the first `limit` others,
  // each with `rank`.
  [[nodiscard]] std::vector<Suggestion> matching(const TypedQuery& query, double rank,
                                                 std::size_t limit) const;

 private:
  struct Entry {
    std::string address, title, folded_title, stem;
  };
  std::vector<Entry> entries_;
};

// The list: one row per address (a favourite or typed address that history holds too
// adds to that page's rank), those that begin with the text first, then by rank; at
// most `limit` rows.
std::vector<Suggestion> merge_suggestions(std::vector<Suggestion> history,
                                          const std::vector<Suggestion>& favourites,
                                          const std::vector<Suggestion>& typed, std::size_t limit);

// Ranks for entries that have no visits of their own, as of `now`: a favourite as if
// chosen two weeks ago, a typed address as if chosen now.
double favourite_rank(std::int64_t now);
double typed_rank(std::int64_t now);

}  // namespace kv
