#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "shell/suggestion_ranking.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kv {

// One row per address the history holds, beside its visits: the latest title, the host,
// the folded text that typed words are matched against (with a trigram index, so that
// any part of a word finds its pages), and the page's frecency. The history store keeps
// it up to date as it records; a database from before it existed gets it on first
// open, built from its visits.
class HistoryPages {
 public:
  explicit HistoryPages(sqlite3* db) : db_(db) {}
  HistoryPages(const HistoryPages&) = delete;
  HistoryPages& operator=(const HistoryPages&) = delete;
  HistoryPages(HistoryPages&&) = delete;
  HistoryPages& operator=(HistoryPages&&) = delete;
  ~HistoryPages();

  // Makes the tables, filling them from the visits, once; false when it could not now,
  // or when there are visits to go through and `may_build` is false (that takes a while).
  bool prepare(bool may_build);

  // A visit to `address`; `weight` is frecency::kLinkWeight or kChosenWeight, or 0 for
  // no visit but the page's title. Runs inside the store's transaction.
  bool visited(const std::string& address, const std::string& title, std::int64_t when,
               double weight);
  // The page of visit `visit` named itself `title`.
  bool retitled(std::int64_t visit, const std::string& title);
  // Drops the pages last visited before `cutoff`.
  bool purge(std::int64_t cutoff);
  // Drops every page, with the index's every trace of them.
  bool clear();
  // Drops the page of `address`.
  bool forget(const std::string& address);

  // The pages that hold every typed word: up to `limit` whose address begins with the
  // text, and up to `limit` others, each the highest ranked. Empty when stopped by the
  // connection's progress handler.
  std::vector<Suggestion> matching(const TypedQuery& query, std::size_t limit);

 private:
  sqlite3_stmt* statement(const char* sql);
  bool fill_from_visits();
  bool add_page(const std::string& address, const std::string& title, double rank,
                std::int64_t last);
  std::vector<Suggestion> walk(const TypedQuery& query, std::size_t limit, bool& exhausted,
                               std::size_t& prefixed, std::size_t& others);

  sqlite3* db_;
  std::unordered_map<const char*, sqlite3_stmt*> statements_;
};

}  // namespace kv
