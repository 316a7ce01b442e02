#include "shell/history_store.h"

#include <glib.h>
#include <glibmm/datetime.h>
#include <sqlite3.h>

#include <unordered_set>

#include "desktop/private_files.h"
#include "desktop/user_paths.h"
#include "shell/history_pages.h"

namespace kv {
namespace {

constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;
// Purging is one cheap statement, but a page load need not pay for it every time.
constexpr auto kPurgeInterval = std::chrono::hours(1);

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS visits("
    " id INTEGER PRIMARY KEY,"
    " address TEXT NOT NULL,"
    " title TEXT NOT NULL,"
    " visited INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS visits_by_time ON visits(visited);";

std::int64_t seconds(HistoryStore::Clock::time_point when) {
  return std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count();
}

std::int64_t cutoff(HistoryStore::Clock::time_point now) {
  return seconds(now) - kHistoryDays * kSecondsPerDay;
}

std::string column_text(sqlite3_stmt* statement, int column) {
  const auto* text = sqlite3_column_text(statement, column);
  return text != nullptr ? reinterpret_cast<const char*>(text) : "";
}

}  // namespace

HistoryStore::HistoryStore(std::string path) : path_(std::move(path)) {}

HistoryStore::~HistoryStore() {
  close();
}

bool HistoryStore::open() {
  if (db_ != nullptr) return true;
  if (path_ != ":memory:") make_private_database(path_);
  if (sqlite3_open_v2(path_.c_str(), &db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK) {
    close();
    return false;
  }
  sqlite3_busy_timeout(db_, 0);
  // WAL lets the history pane read while a page is being recorded, and commits without
  // waiting for the disk.
  // The address box's questions read the pages and their index all over: mapped, they
  // are read from the file cache without a copy per page.
  run("PRAGMA mmap_size = 268435456");
  if (!run("PRAGMA journal_mode=WAL") || !run("PRAGMA synchronous=NORMAL") || !run(kSchema) ||
      sqlite3_prepare_v3(db_, "INSERT INTO visits(address, title, visited) VALUES(?, ?, ?)", -1,
                         SQLITE_PREPARE_PERSISTENT, &insert_, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v3(db_, "DELETE FROM visits WHERE visited < ?", -1, SQLITE_PREPARE_PERSISTENT,
                         &purge_, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v3(db_, "UPDATE visits SET title = ? WHERE id = ?", -1,
                         SQLITE_PREPARE_PERSISTENT, &retitle_, nullptr) != SQLITE_OK) {
    close();
    return false;
  }
  if (stop_ != nullptr) {
    sqlite3_progress_handler(
        db_, 1000,
        [](void* stop) -> int {
          return static_cast<const std::atomic<bool>*>(stop)->load() ? 1 : 0;
        },
        const_cast<std::atomic<bool>*>(stop_));
  }
  use_pages();
  return true;
}

void HistoryStore::use_pages() {
  // A database from before the pages were kept gets them when a store that may build them
  // opens it; meanwhile visits are recorded as they always were.
  pages_ = std::make_unique<HistoryPages>(db_);
  if (!pages_->prepare(build_pages_)) pages_.reset();
}

void HistoryStore::stop_when(const std::atomic<bool>* stop) {
  stop_ = stop;
  close();
}

void HistoryStore::close() {
  pages_.reset();
  sqlite3_finalize(insert_);
  sqlite3_finalize(purge_);
  sqlite3_finalize(retitle_);
  insert_ = nullptr;
  purge_ = nullptr;
  retitle_ = nullptr;
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

bool HistoryStore::run(const char* sql) {
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::int64_t HistoryStore::record(const std::string& address, const std::string& title,
                                  Clock::time_point when, VisitKind kind) {
  if (!open()) return 0;
  const auto now = std::chrono::steady_clock::now();
  if (last_purge_ == std::chrono::steady_clock::time_point{} ||
      now - last_purge_ > kPurgeInterval) {
    if (purge(Clock::now())) last_purge_ = now;
    if (db_ == nullptr) return 0;
  }
  const int began = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  if (began != SQLITE_OK) {
    skip_after(began);
    return 0;
  }
  sqlite3_bind_text(insert_, 1, address.data(), static_cast<int>(address.size()), SQLITE_TRANSIENT);
  sqlite3_bind_text(insert_, 2, title.data(), static_cast<int>(title.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int64(insert_, 3, seconds(when));
  const int result = sqlite3_step(insert_);
  sqlite3_reset(insert_);
  sqlite3_clear_bindings(insert_);
  if (result != SQLITE_DONE) {
    run("ROLLBACK");
    skip_after(result);
    return 0;
  }
  const std::int64_t visit = sqlite3_last_insert_rowid(db_);
  if (!pages_) use_pages();
  const double weight = kind == VisitKind::kChosen ? frecency::kChosenWeight
                        : kind == VisitKind::kLink ? frecency::kLinkWeight
                                                   : 0;
  in_pages([&](HistoryPages& pages) {
    return pages.visited(address, title, seconds(when),
                         repeated_.added_weight(address, seconds(when), weight));
  });
  return run("COMMIT") ? visit : (run("ROLLBACK"), 0);
}

void HistoryStore::in_pages(const std::function<bool(HistoryPages&)>& change) {
  // The visit counts even when its page could not be kept up to date.
  if (!pages_ || !run("SAVEPOINT page")) return;
  if (!change(*pages_)) run("ROLLBACK TO page");
  run("RELEASE page");
}

bool HistoryStore::set_title(std::int64_t visit, const std::string& title) {
  if (!open()) return false;
  const int began = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  if (began != SQLITE_OK) {
    skip_after(began);
    return false;
  }
  sqlite3_bind_text(retitle_, 1, title.data(), static_cast<int>(title.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int64(retitle_, 2, visit);
  const int result = sqlite3_step(retitle_);
  sqlite3_reset(retitle_);
  sqlite3_clear_bindings(retitle_);
  if (result != SQLITE_DONE) {
    run("ROLLBACK");
    skip_after(result);
    return false;
  }
  in_pages([&](HistoryPages& pages) { return pages.retitled(visit, title); });
  return run("COMMIT") || (run("ROLLBACK"), false);
}

void HistoryStore::skip_after(int result) {
  // Locked, or stopped on purpose: the next statement tries again. Anything worse: reopen
  // on the next one.
  if ((result & 0xFF) != SQLITE_BUSY && (result & 0xFF) != SQLITE_LOCKED &&
      result != SQLITE_INTERRUPT) {
    close();
  }
}

bool HistoryStore::purge(Clock::time_point now) {
  if (!open()) return false;
  const int began = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  if (began != SQLITE_OK) {
    skip_after(began);
    return false;
  }
  sqlite3_bind_int64(purge_, 1, cutoff(now));
  const int result = sqlite3_step(purge_);
  sqlite3_reset(purge_);
  if (result != SQLITE_DONE) {
    run("ROLLBACK");
    skip_after(result);
    return false;
  }
  in_pages([&](HistoryPages& pages) { return pages.purge(cutoff(now)); });
  return run("COMMIT") || (run("ROLLBACK"), false);
}

bool HistoryStore::forget(const std::string& address) {
  if (!open() || !pages_) return false;
  // The user's own request: it may wait for a page being recorded.
  constexpr int kForgetWaitMs = 2000;
  sqlite3_busy_timeout(db_, kForgetWaitMs);
  const bool forgotten = run("PRAGMA secure_delete = ON") && run("BEGIN IMMEDIATE") &&
                         (pages_->forget(address) ? run("COMMIT") : (run("ROLLBACK"), false));
  if (db_ != nullptr) {
    run("PRAGMA secure_delete = OFF");
    sqlite3_busy_timeout(db_, 0);
  }
  if (forgotten) repeated_.forget(address);
  return forgotten;
}

std::vector<Suggestion> HistoryStore::suggestions(const TypedQuery& query, std::size_t limit) {
  if (!open()) return {};
  if (!pages_) use_pages();
  return pages_ ? pages_->matching(query, limit) : std::vector<Suggestion>{};
}

bool HistoryStore::clear() {
  if (!open()) return false;
  // Running browsers keep the file open and go on writing to it: the rows go, in one
  // transaction, and the file stays. Clearing is the user's request, so it may wait for
  // a browser's write, and it overwrites what it deletes.
  constexpr int kClearWaitMs = 3000;
  sqlite3_busy_timeout(db_, kClearWaitMs);
  const bool cleared =
      run("PRAGMA secure_delete = ON") && run("BEGIN IMMEDIATE") &&
      (run("DELETE FROM visits") && (!pages_ || pages_->clear()) ? run("COMMIT")
                                                                 : (run("ROLLBACK"), false));
  // Copies the zeroed pages into the file and empties the log; skipped while a reader
  // holds an older view, which the next checkpoint catches up with.
  if (cleared) {
    run("PRAGMA wal_checkpoint(TRUNCATE)");
    repeated_.clear();
  }
  if (db_ != nullptr) {
    run("PRAGMA secure_delete = OFF");
    sqlite3_busy_timeout(db_, 0);
  }
  return cleared;
}

bool history_is_broken(const std::string& path) {
  sqlite3* db = nullptr;
  int result =
      sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  if (result == SQLITE_OK) {
    result = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  }
  sqlite3_close_v2(db);
  return result == SQLITE_NOTADB || result == SQLITE_CORRUPT;
}

HistoryReading read_history(const std::string& path, HistoryStore::Clock::time_point now,
                            std::size_t max_visits) {
  HistoryReading reading;
  if (!g_file_test(path.c_str(), G_FILE_TEST_EXISTS)) {
    reading.available = true;  // nothing recorded yet
    return reading;
  }
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
      SQLITE_OK) {
    sqlite3_close_v2(db);
    return reading;
  }
  sqlite3_busy_timeout(db, 0);
  sqlite3_stmt* query = nullptr;
  const int prepared =
      sqlite3_prepare_v2(db,
                         "SELECT address, title, visited FROM visits WHERE visited >= ?"
                         " ORDER BY visited DESC, id DESC LIMIT ?",
                         -1, &query, nullptr);
  if (prepared != SQLITE_OK) {
    // A database without our table is one nothing was recorded in yet.
    reading.available = prepared == SQLITE_ERROR && sqlite3_errmsg(db) != nullptr &&
                        g_str_has_prefix(sqlite3_errmsg(db), "no such table");
    sqlite3_close_v2(db);
    return reading;
  }
  sqlite3_bind_int64(query, 1, cutoff(now));
  sqlite3_bind_int64(query, 2, static_cast<sqlite3_int64>(max_visits) + 1);

  std::unordered_set<std::string> seen_today;
  std::size_t rows = 0;
  int result = SQLITE_ROW;
  while ((result = sqlite3_step(query)) == SQLITE_ROW) {
    if (++rows > max_visits) {
      reading.truncated = true;
      break;
    }
    HistoryEntry entry{column_text(query, 0), column_text(query, 1),
                       sqlite3_column_int64(query, 2)};
    const Glib::DateTime local = Glib::DateTime::create_now_local(entry.visited);
    if (!local) continue;  // out of the calendar's range
    int year = 0, month = 0, day = 0;
    local.get_ymd(year, month, day);
    if (reading.days.empty() || reading.days.back().year != year ||
        reading.days.back().month != month || reading.days.back().day != day) {
      reading.days.push_back(HistoryDay{year, month, day, {}});
      seen_today.clear();
    }
    if (seen_today.insert(entry.address).second) {
      reading.days.back().entries.push_back(std::move(entry));
    }
  }
  reading.available = result == SQLITE_ROW || result == SQLITE_DONE;
  if (!reading.available) reading.days.clear();
  sqlite3_finalize(query);
  sqlite3_close_v2(db);
  return reading;
}

HistoryStore& browsing_history() {
  static HistoryStore store(history_database_path());
  return store;
}

}  // namespace kv
