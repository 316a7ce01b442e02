#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/suggestion_ranking.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kv {

// How long visited pages are kept.
inline constexpr int kHistoryDays = 20;

struct HistoryEntry {
  std::string address;
  std::string title;     // "" when the page had none
  std::int64_t visited;  // seconds since the epoch
};

// The visits of one local calendar day, newest first, each address once.
struct HistoryDay {
  int year = 0, month = 0, day = 0;
  std::vector<HistoryEntry> entries;
};

// How the user came to a page: it weighs in the address box's suggestions.
enum class VisitKind {
  kLink,     // a link the user followed, their Back, Forward or Refresh
  kChosen,   // an address typed or chosen (a favourite, a suggestion, Home)
  kPageOwn,  // the page's own move (a script, a reload, a refresh, a form it sent itself):
             // in the history, but no weight in the suggestions
};

class HistoryPages;

struct HistoryReading {
  bool available = false;        // false: the database could not be read (locked, broken)
  bool truncated = false;        // more visits than were read
  std::vector<HistoryDay> days;  // newest day first
};

// The browsing history, written by the browser controls as pages complete. Page loads
// must never wait for it: every statement runs without a busy timeout, and a database
// that is locked or broken is skipped (the visit is lost, the load goes on).
class HistoryStore {
 public:
  using Clock = std::chrono::system_clock;

  explicit HistoryStore(std::string path);
  HistoryStore(const HistoryStore&) = delete;
  HistoryStore& operator=(const HistoryStore&) = delete;
  HistoryStore(HistoryStore&&) = delete;
  HistoryStore& operator=(HistoryStore&&) = delete;
  ~HistoryStore();

  // Adds one visit; its id, or 0 when it was skipped. Never throws. Visits of one address
  // within a minute weigh in the suggestions once, as the weightiest of them.
  std::int64_t record(const std::string& address, const std::string& title, Clock::time_point when,
                      VisitKind kind = VisitKind::kLink);
  // Gives a recorded visit its title (pages often name themselves after they complete);
  // false when skipped.
  bool set_title(std::int64_t visit, const std::string& title);
  // Drops the visits older than kHistoryDays before `now`; false when skipped.
  bool purge(Clock::time_point now);
  // Drops every visit, in place, so that running browsers record into the same file
  // afterwards; waits a little for their writes. False when it could not.
  bool clear();
  // Drops every visit to `address` (the user took it out of the address box's list);
  // may wait a little for another program's write. False when it could not.
  bool forget(const std::string& address);
  // The pages that hold every word of `query`: up to `limit` whose address begins with
  // the text and up to `limit` others, highest ranked first. Empty when it could not
  // read, or when `stop` (see stop_when) was set meanwhile.
  std::vector<Suggestion> suggestions(const TypedQuery& query, std::size_t limit);
  // From now on, a statement of this store's stops soon after `*stop` becomes true;
  // nullptr: never. `stop` must outlive the store or the next call.
  void stop_when(const std::atomic<bool>* stop);
  // This store may take the time to give a database from before its pages, from its
  // visits (seconds for a large history): the address box's worker does, away from the
  // windows. Other stores use the pages once they are there.
  void build_pages_here() { build_pages_ = true; }

  // Lets go of the database file (to move or replace it); the next call opens it again.
  void close();

  [[nodiscard]] const std::string& path() const { return path_; }

 private:
  bool open();
  bool run(const char* sql);
  void use_pages();
  void skip_after(int result);
  // Runs a change to the pages inside the open transaction, undone alone when it fails.
  void in_pages(const std::function<bool(HistoryPages&)>& change);

  std::string path_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  sqlite3_stmt* purge_ = nullptr;
  sqlite3_stmt* retitle_ = nullptr;
  std::chrono::steady_clock::time_point last_purge_{};
  RepeatedVisits repeated_;
  // Absent while a database from before could not be given its pages yet.
  std::unique_ptr<HistoryPages> pages_;
  const std::atomic<bool>* stop_ = nullptr;
  bool build_pages_ = false;
};

// Reads the history of the last kHistoryDays before `now`, at most `max_visits` visits,
// grouped by local day, newest first. Uses a connection of its own, so it may run on any
// thread while the program records.
HistoryReading read_history(const std::string& path, HistoryStore::Clock::time_point now,
                            std::size_t max_visits);

// Whether the file at `path` is no history database at all (garbage, cut short), so
// that nobody can be using it.
bool history_is_broken(const std::string& path);

// The program's history, kept at history_database_path(); opened when first used.
HistoryStore& browsing_history();

}  // namespace kv
