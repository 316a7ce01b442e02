#include "shell/history_pages.h"

#include <glib.h>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <string_view>

#include "shell/text_folding.h"

namespace kv {
namespace {

constexpr int kPagesVersion = 1;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS pages("
    " id INTEGER PRIMARY KEY,"
    " address TEXT NOT NULL UNIQUE,"
    " title TEXT NOT NULL,"
    " host TEXT NOT NULL,"
    " stem TEXT NOT NULL,"
    " folded_title TEXT NOT NULL,"
    " rank REAL NOT NULL,"
    " last_visit INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS pages_by_rank ON pages(rank);"
    "CREATE INDEX IF NOT EXISTS pages_by_host ON pages(host, rank);"
    "CREATE INDEX IF NOT EXISTS pages_by_time ON pages(last_visit);"
    // The text lives in `pages` only; the index holds its trigrams.
    "CREATE VIRTUAL TABLE IF NOT EXISTS page_words USING fts5("
    " folded_title, stem, content='pages', content_rowid='id', tokenize='trigram');";

// How many of the highest ranked pages are read one by one before the indexes are asked:
// when the words are common, the list fills from these at once; when it does not, the
// words are rare enough for the indexes to answer quickly.
constexpr int kWalkedFirst = 96;

// Upper bound of the texts that begin with `prefix`: no UTF-8 text has a byte above
// 0xF4, nor 0x90 or above after it.
std::string prefix_end(std::string_view prefix) {
  return std::string(prefix) + "\xF4\x90";
}

std::string_view column(sqlite3_stmt* statement, int index) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
  return text != nullptr
             ? std::string_view(text,
                                static_cast<std::size_t>(sqlite3_column_bytes(statement, index)))
             : std::string_view();
}

void bind_text(sqlite3_stmt* statement, int index, std::string_view text) {
  sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Whether the connection's progress handler stopped a statement of this query.
thread_local bool interrupted = false;

// Resets a statement once its use ends.
class Use {
 public:
  explicit Use(sqlite3_stmt* statement) : statement_(statement) {}
  Use(const Use&) = delete;
  Use& operator=(const Use&) = delete;
  Use(Use&&) = delete;
  Use& operator=(Use&&) = delete;
  ~Use() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  int step() {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_INTERRUPT) interrupted = true;
    return result;
  }
  bool done() { return step() == SQLITE_DONE; }

 private:
  sqlite3_stmt* statement_;
};

// The FTS5 query for the words the trigram index can look up (three characters or
// more): each a quoted phrase, all of them required.
std::string index_query(const TypedQuery& query) {
  std::string text;
  for (const std::string& word : query.words) {
    if (g_utf8_strlen(word.c_str(), static_cast<gssize>(word.size())) < 3) continue;
    if (!text.empty()) text += ' ';
    text += '"';
    for (const char c : word) {
      if (c == '"') text += '"';
      text += c;
    }
    text += '"';
  }
  return text;
}

}  // namespace

HistoryPages::~HistoryPages() {
  for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
}

sqlite3_stmt* HistoryPages::statement(const char* sql) {
  if (auto it = statements_.find(sql); it != statements_.end()) return it->second;
  sqlite3_stmt* prepared = nullptr;
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &prepared, nullptr) !=
      SQLITE_OK) {
    sqlite3_finalize(prepared);
    return nullptr;
  }
  statements_.emplace(sql, prepared);
  return prepared;
}

bool HistoryPages::prepare(bool may_build) {
  sqlite3_stmt* version = statement("PRAGMA user_version");
  if (version == nullptr) return false;
  int found = 0;
  {
    Use use(version);
    if (use.step() != SQLITE_ROW) return false;
    found = sqlite3_column_int(version, 0);
  }
  if (found >= kPagesVersion) return true;
  if (!may_build) {
    // A new database has no visits to go through: its pages are made at once.
    sqlite3_stmt* any = statement("SELECT 1 FROM visits LIMIT 1");
    if (any == nullptr) return false;
    Use use(any);
    if (use.step() != SQLITE_DONE) return false;
  }
  // Once, for a database that only has visits: in one transaction, so that a second
  // program opening it meanwhile either sees no pages or all of them.
  if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return false;
  const bool made =
      sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr) == SQLITE_OK && fill_from_visits() &&
      sqlite3_exec(db_, "PRAGMA user_version = 1", nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_exec(db_, made ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr);
  return made;
}

bool HistoryPages::fill_from_visits() {
  sqlite3_stmt* visits = nullptr;
  if (sqlite3_prepare_v2(db_,
                         "SELECT address, title, visited FROM visits INDEXED BY visits_by_time"
                         " ORDER BY visited, id",
                         -1, &visits, nullptr) != SQLITE_OK) {
    sqlite3_finalize(visits);
    return false;
  }
  // Each address once, with all its visits: whether the user typed them is not known of
  // visits from before, so they count as links.
  struct Page {
    std::string title;
    double rank = -INFINITY;
    std::int64_t last = 0;
  };
  std::unordered_map<std::string, Page> pages;
  int result = SQLITE_ROW;
  while ((result = sqlite3_step(visits)) == SQLITE_ROW) {
    Page& page = pages[std::string(column(visits, 0))];
    const std::int64_t when = sqlite3_column_int64(visits, 2);
    page.rank = frecency::add(page.rank, frecency::of_visit(when, frecency::kLinkWeight));
    page.last = when;
    if (!column(visits, 1).empty()) page.title = column(visits, 1);
  }
  sqlite3_finalize(visits);
  if (result != SQLITE_DONE) return false;
  return std::all_of(pages.begin(), pages.end(), [this](const auto& entry) {
    return add_page(entry.first, entry.second.title, entry.second.rank, entry.second.last);
  });
}

bool HistoryPages::add_page(const std::string& address, const std::string& title, double rank,
                            std::int64_t last) {
  sqlite3_stmt* add = statement(
      "INSERT INTO pages(address, title, host, stem, folded_title, rank, last_visit)"
      " VALUES(?, ?, ?, ?, ?, ?, ?)");
  sqlite3_stmt* index =
      statement("INSERT INTO page_words(rowid, folded_title, stem) VALUES(?, ?, ?)");
  if (add == nullptr || index == nullptr) return false;
  const std::string stem = address_stem(address);
  const std::string folded = fold_text(title);
  {
    Use adding(add);
    bind_text(add, 1, address);
    bind_text(add, 2, title);
    bind_text(add, 3, stem_host(stem));
    bind_text(add, 4, stem);
    bind_text(add, 5, folded);
    sqlite3_bind_double(add, 6, rank);
    sqlite3_bind_int64(add, 7, last);
    if (!adding.done()) return false;
  }
  Use indexing(index);
  sqlite3_bind_int64(index, 1, sqlite3_last_insert_rowid(db_));
  bind_text(index, 2, folded);
  bind_text(index, 3, stem);
  return indexing.done();
}

bool HistoryPages::visited(const std::string& address, const std::string& title, std::int64_t when,
                           double weight) {
  sqlite3_stmt* find = statement(
      "SELECT id, rank, title, folded_title, stem, last_visit FROM pages WHERE address = ?");
  sqlite3_stmt* change = statement(
      "UPDATE pages SET title = ?, folded_title = ?, rank = ?, last_visit = ? WHERE id = ?");
  sqlite3_stmt* unindex = statement(
      "INSERT INTO page_words(page_words, rowid, folded_title, stem) VALUES('delete', ?, ?, ?)");
  sqlite3_stmt* index =
      statement("INSERT INTO page_words(rowid, folded_title, stem) VALUES(?, ?, ?)");
  if (find == nullptr || change == nullptr || unindex == nullptr || index == nullptr) {
    return false;
  }
  const double visit_rank = frecency::of_visit(when, weight);
  Use finding(find);
  bind_text(find, 1, address);
  const int found = finding.step();
  if (found == SQLITE_ROW) {
    const std::int64_t id = sqlite3_column_int64(find, 0);
    const double rank = frecency::add(sqlite3_column_double(find, 1), visit_rank);
    const std::string new_title = title.empty() ? std::string(column(find, 2)) : title;
    const std::string old_folded(column(find, 3));
    const std::string stem(column(find, 4));
    const std::int64_t last = std::max<std::int64_t>(when, sqlite3_column_int64(find, 5));
    const std::string folded = fold_text(new_title);
    if (folded != old_folded) {
      Use removing(unindex);
      sqlite3_bind_int64(unindex, 1, id);
      bind_text(unindex, 2, old_folded);
      bind_text(unindex, 3, stem);
      if (!removing.done()) return false;
    }
    Use changing(change);
    bind_text(change, 1, new_title);
    bind_text(change, 2, folded);
    sqlite3_bind_double(change, 3, rank);
    sqlite3_bind_int64(change, 4, last);
    sqlite3_bind_int64(change, 5, id);
    if (!changing.done()) return false;
    if (folded == old_folded) return true;
    Use indexing(index);
    sqlite3_bind_int64(index, 1, id);
    bind_text(index, 2, folded);
    bind_text(index, 3, stem);
    return indexing.done();
  }
  if (found != SQLITE_DONE) return false;
  return add_page(address, title, visit_rank, when);
}

bool HistoryPages::retitled(std::int64_t visit, const std::string& title) {
  sqlite3_stmt* find = statement("SELECT address, visited FROM visits WHERE id = ?");
  if (find == nullptr) return false;
  Use finding(find);
  sqlite3_bind_int64(find, 1, visit);
  if (finding.step() != SQLITE_ROW) return true;  // purged meanwhile
  // A title alone adds no visit: the rank stays as it is.
  return visited(std::string(column(find, 0)), title, sqlite3_column_int64(find, 1), 0);
}

bool HistoryPages::purge(std::int64_t cutoff) {
  sqlite3_stmt* unindex = statement(
      "INSERT INTO page_words(page_words, rowid, folded_title, stem)"
      " SELECT 'delete', id, folded_title, stem FROM pages WHERE last_visit < ?");
  sqlite3_stmt* drop = statement("DELETE FROM pages WHERE last_visit < ?");
  if (unindex == nullptr || drop == nullptr) return false;
  Use removing(unindex);
  sqlite3_bind_int64(unindex, 1, cutoff);
  if (!removing.done()) return false;
  Use dropping(drop);
  sqlite3_bind_int64(drop, 1, cutoff);
  return dropping.done();
}

bool HistoryPages::clear() {
  return sqlite3_exec(db_,
                      "INSERT INTO page_words(page_words) VALUES('delete-all');"
                      "DELETE FROM pages;",
                      nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool HistoryPages::forget(const std::string& address) {
  sqlite3_stmt* unindex = statement(
      "INSERT INTO page_words(page_words, rowid, folded_title, stem)"
      " SELECT 'delete', id, folded_title, stem FROM pages WHERE address = ?");
  sqlite3_stmt* drop = statement("DELETE FROM pages WHERE address = ?");
  sqlite3_stmt* visits = statement("DELETE FROM visits WHERE address = ?");
  if (unindex == nullptr || drop == nullptr || visits == nullptr) return false;
  for (sqlite3_stmt* step : {unindex, drop, visits}) {
    Use using_it(step);
    bind_text(step, 1, address);
    if (!using_it.done()) return false;
  }
  return true;
}

std::vector<Suggestion> HistoryPages::walk(const TypedQuery& query, std::size_t limit,
                                           bool& exhausted, std::size_t& prefixed,
                                           std::size_t& others) {
  // Without a word of three characters the trigram index cannot help: the walk goes on
  // until the list is full.
  const bool indexed = !index_query(query).empty();
  sqlite3_stmt* pages = statement(
      "SELECT p.address, p.title, p.folded_title, p.stem, p.rank FROM pages p"
      " INDEXED BY pages_by_rank ORDER BY p.rank DESC");
  std::vector<Suggestion> found;
  exhausted = false;
  if (pages == nullptr) return found;
  Use walking(pages);
  int walked = 0;
  int result = SQLITE_ROW;
  while ((result = walking.step()) == SQLITE_ROW) {
    if (matches(query, column(pages, 2), column(pages, 3))) {
      const bool prefix = !query.stem.empty() && column(pages, 3).starts_with(query.stem);
      std::size_t& count = prefix ? prefixed : others;
      if (count < limit) {
        ++count;
        found.push_back({std::string(column(pages, 0)), std::string(column(pages, 1)), true, prefix,
                         sqlite3_column_double(pages, 4)});
      }
    }
    if (prefixed >= limit && others >= limit) return found;
    if (++walked >= kWalkedFirst && (indexed || others >= limit)) return found;
  }
  exhausted = result == SQLITE_DONE;
  return found;
}

std::vector<Suggestion> HistoryPages::matching(const TypedQuery& query, std::size_t limit) {
  if (query.words.empty()) return {};
  interrupted = false;
  bool exhausted = false;
  std::size_t prefixed = 0;
  std::size_t others = 0;
  std::vector<Suggestion> found = walk(query, limit, exhausted, prefixed, others);
  if (exhausted || interrupted) return found;

  // Each candidate's row in rank order, until `limit` of the wanted kind are found.
  sqlite3_stmt* by_id =
      statement("SELECT address, title, folded_title, stem, rank FROM pages WHERE id = ?");
  const auto take_in_rank_order = [&](sqlite3_stmt* ids, bool want_prefix, std::size_t& count) {
    std::erase_if(found, [&](const Suggestion& row) { return row.prefix == want_prefix; });
    count = 0;
    Use reading(ids);
    while (count < limit && reading.step() == SQLITE_ROW) {
      Use row(by_id);
      sqlite3_bind_int64(by_id, 1, sqlite3_column_int64(ids, 0));
      if (row.step() != SQLITE_ROW) continue;
      const std::string_view stem = column(by_id, 3);
      const bool prefix = !query.stem.empty() && stem.starts_with(query.stem);
      if (prefix != want_prefix || !matches(query, column(by_id, 2), stem)) continue;
      ++count;
      found.push_back({std::string(column(by_id, 0)), std::string(column(by_id, 1)), true, prefix,
                       sqlite3_column_double(by_id, 4)});
    }
  };
  if (by_id == nullptr) return found;
  if (prefixed < limit && !query.stem.empty()) {
    // Whose host begins with the text, or is the text's host when it goes on with a path.
    // The index holds host and rank: only the rows taken are read.
    const std::string_view host = stem_host(query.stem);
    sqlite3_stmt* by_host = statement(
        "SELECT id FROM pages INDEXED BY pages_by_host WHERE host >= ?1 AND host < ?2"
        " ORDER BY rank DESC");
    if (by_host != nullptr) {
      bind_text(by_host, 1, host);
      bind_text(by_host, 2,
                host.size() == query.stem.size() ? prefix_end(host) : std::string(host) + '\x01');
      take_in_rank_order(by_host, true, prefixed);
    }
  }
  const std::string words = index_query(query);
  if (others < limit && !words.empty()) {
    sqlite3_stmt* by_words = statement(
        "SELECT p.id FROM page_words CROSS JOIN pages p ON p.id = page_words.rowid"
        " WHERE page_words MATCH ?1 AND NOT (p.host >= ?2 AND p.host < ?3)"
        " ORDER BY p.rank DESC");
    if (by_words != nullptr) {
      bind_text(by_words, 1, words);
      // Rows that begin with the text were taken above; when the text is a host's start,
      // its host says which they are before the rows are read.
      const bool host_only = !query.stem.empty() && stem_host(query.stem) == query.stem;
      bind_text(by_words, 2, host_only ? query.stem : std::string());
      bind_text(by_words, 3, host_only ? prefix_end(query.stem) : std::string());
      take_in_rank_order(by_words, false, others);
    }
  }
  if (interrupted) found.clear();
  return found;
}

}  // namespace kv
