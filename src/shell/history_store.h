#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

  // Adds one visit; its id, or 0 when it was skipped. Never throws.
  std::int64_t record(const std::string& address, const std::string& title, Clock::time_point when);
  // Gives a recorded visit its title (pages often name themselves after they complete);
  // false when skipped.
  bool set_title(std::int64_t visit, const std::string& title);
  // Drops the visits older than kHistoryDays before `now`; false when skipped.
  bool purge(Clock::time_point now);
  // Drops every visit, in place, so that running browsers record into the same file
  // afterwards; waits a little for their writes. False when it could not.
  bool clear();
  // Lets go of the database file (to move or replace it); the next call opens it again.
  void close();

  [[nodiscard]] const std::string& path() const { return path_; }

 private:
  bool open();
  bool run(const char* sql);
  void skip_after(int result);

  std::string path_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  sqlite3_stmt* purge_ = nullptr;
  sqlite3_stmt* retitle_ = nullptr;
  std::chrono::steady_clock::time_point last_purge_{};
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
