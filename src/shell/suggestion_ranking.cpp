#include "shell/suggestion_ranking.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

#include "shell/text_folding.h"

namespace kv {
namespace {

constexpr std::int64_t kTwoWeeks = 14 * 24 * 3600;

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// One row per address: "http://a.test/" and "a.test", typed or kept as a favourite,
// are one page.
std::string row_key(const std::string& address) {
  std::string key = address_stem(address);
  while (!key.empty() && key.back() == '/') key.pop_back();
  return key;
}

}  // namespace

TypedQuery parse_typed(std::string_view typed) {
  TypedQuery query;
  const std::string folded = fold_text(typed);
  std::string_view rest = folded;
  while (!rest.empty() && is_blank(rest.front())) rest.remove_prefix(1);
  while (!rest.empty() && is_blank(rest.back())) rest.remove_suffix(1);
  if (rest.empty()) return query;
  const bool one_word = std::none_of(rest.begin(), rest.end(), is_blank);
  if (one_word) query.stem = typed_stem(rest);
  std::size_t at = 0;
  while (at < rest.size()) {
    while (at < rest.size() && is_blank(rest[at])) ++at;
    std::size_t end = at;
    while (end < rest.size() && !is_blank(rest[end])) ++end;
    if (end > at) {
      std::string word(rest.substr(at, end - at));
      // A scheme or "www." in front of the first word is matched as the stems are.
      if (query.words.empty()) word = std::string(typed_stem(word));
      if (std::find(query.words.begin(), query.words.end(), word) == query.words.end()) {
        query.words.push_back(std::move(word));
      }
    }
    at = end;
  }
  // The longest word first: it rules out the most rows soonest.
  std::stable_sort(query.words.begin(), query.words.end(),
                   [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  return query;
}

bool matches(const TypedQuery& query, std::string_view folded_title, std::string_view stem) {
  return std::all_of(query.words.begin(), query.words.end(), [&](const std::string& word) {
    return stem.find(word) != std::string_view::npos ||
           folded_title.find(word) != std::string_view::npos;
  });
}

namespace frecency {

double of_visit(std::int64_t when, double weight) {
  return static_cast<double>(when) / kHalfLifeSeconds + std::log2(weight);
}

double add(double a, double b) {
  // A page only ever reached by its own moves has no rank yet.
  if (std::isinf(a) && a < 0) return b;
  if (std::isinf(b) && b < 0) return a;
  const double high = std::max(a, b);
  return high + std::log2(1 + std::exp2(std::min(a, b) - high));
}

}  // namespace frecency

double RepeatedVisits::added_weight(const std::string& address, std::int64_t when, double weight) {
  // Visits long gone are let go of now and then, so that the map stays small.
  if (when - last_sweep_ > kWindowSeconds || when < last_sweep_) {
    std::erase_if(recent_, [when](const auto& entry) {
      return std::abs(when - entry.second.when) >= kWindowSeconds;
    });
    last_sweep_ = when;
  }
  const auto [found, added] = recent_.try_emplace(address, Counted{when, weight});
  if (added) return weight;
  Counted& counted = found->second;
  if (std::abs(when - counted.when) >= kWindowSeconds) {
    counted = {when, weight};
    return weight;
  }
  if (weight <= counted.weight) return 0;
  // Its share beyond the weight already counted.
  const double more = weight - counted.weight;
  counted.weight = weight;
  return more;
}

double favourite_rank(std::int64_t now) {
  return frecency::of_visit(now - kTwoWeeks, frecency::kChosenWeight);
}

double typed_rank(std::int64_t now) {
  return frecency::of_visit(now, frecency::kChosenWeight);
}

void SuggestionEntries::add(std::string address, std::string title) {
  Entry entry;
  entry.stem = address_stem(address);
  entry.folded_title = fold_text(title);
  entry.address = std::move(address);
  entry.title = std::move(title);
  entries_.push_back(std::move(entry));
}

std::vector<Suggestion> SuggestionEntries::matching(const TypedQuery& query, double rank,
                                                    std::size_t limit) const {
  std::vector<Suggestion> found;
  if (query.words.empty()) return found;
  std::size_t prefixed = 0;
  std::size_t others = 0;
  for (const Entry& entry : entries_) {
    if (prefixed >= limit && others >= limit) break;
    if (!matches(query, entry.folded_title, entry.stem)) continue;
    const bool prefix = !query.stem.empty() && entry.stem.starts_with(query.stem);
    std::size_t& count = prefix ? prefixed : others;
    if (count >= limit) continue;
    ++count;
    found.push_back({entry.address, entry.title, false, prefix, rank});
  }
  return found;
}

std::vector<Suggestion> merge_suggestions(std::vector<Suggestion> history,
                                          const std::vector<Suggestion>& favourites,
                                          const std::vector<Suggestion>& typed, std::size_t limit) {
  std::vector<Suggestion> rows = std::move(history);
  std::unordered_map<std::string, std::size_t> by_key;
  for (std::size_t i = 0; i < rows.size(); ++i) by_key.emplace(row_key(rows[i].address), i);
  for (const auto* source : {&favourites, &typed}) {
    for (const Suggestion& entry : *source) {
      const auto [it, added] = by_key.emplace(row_key(entry.address), rows.size());
      if (added) {
        rows.push_back(entry);
        continue;
      }
      // The page was also kept or typed: it weighs as if chosen once more.
      Suggestion& row = rows[it->second];
      row.rank = frecency::add(row.rank, std::max(row.rank, entry.rank));
      row.prefix = row.prefix || entry.prefix;
      if (row.title.empty()) row.title = entry.title;
    }
  }
  std::stable_sort(rows.begin(), rows.end(), [](const Suggestion& a, const Suggestion& b) {
    if (a.prefix != b.prefix) return a.prefix;
    return a.rank > b.rank;
  });
  if (rows.size() > limit) rows.resize(limit);
  return rows;
}

}  // namespace kv
