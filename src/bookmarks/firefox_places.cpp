#include "bookmarks/firefox_places.h"

#include <sqlite3.h>

#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

struct DatabaseCloser {
  void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};

struct Row {
  std::int64_t id = 0;
  int type = 0;  // 1 link, 2 folder, 3 separator
  std::string title;
  std::string address;
  std::string guid;
};

std::string column_text(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  if (text == nullptr) return "";
  return take_string(g_utf8_make_valid(text, sqlite3_column_bytes(statement, column)));
}

// The names Firefox shows for its own folders, whose stored titles are terse or empty.
std::string root_title(const Row& row) {
  if (row.guid == "menu________") return "Bookmarks Menu";
  if (row.guid == "toolbar_____") return "Bookmarks Toolbar";
  if (row.guid == "unfiled_____") return "Other Bookmarks";
  if (row.guid == "mobile______") return "Mobile Bookmarks";
  return row.title;
}

struct Builder {
  std::vector<Row> rows;
  std::unordered_map<std::int64_t, std::vector<std::size_t>> children;  // in order
  std::unordered_set<std::int64_t> placed;
  std::string message;

  bool add_children(std::int64_t parent, Bookmark& folder, int depth) {
    const auto found = children.find(parent);
    if (found == children.end()) return true;
    if (depth > kMaxBookmarkDepth) {
      message = kTooDeep;
      return false;
    }
    for (const std::size_t index : found->second) {
      const Row& row = rows[index];
      if (row.type != 1 && row.type != 2) continue;
      if (depth == 1 && row.guid == "tags________") continue;
      if (!placed.insert(row.id).second) continue;  // a loop in a damaged file
      Bookmark item;
      item.folder = row.type == 2;
      item.title = depth == 1 ? root_title(row) : row.title;
      item.address = item.folder ? "" : row.address;
      if (item.folder && !add_children(row.id, item, depth + 1)) return false;
      folder.children.push_back(std::move(item));
    }
    return true;
  }
};

}  // namespace

BookmarkRead read_firefox_places(const std::string& path) {
  BookmarkRead read;
  const std::string uri = take_string(g_filename_to_uri(path.c_str(), nullptr, nullptr));
  sqlite3* raw = nullptr;
  const int opened = uri.empty() ? SQLITE_CANTOPEN
                                 : sqlite3_open_v2((uri + "?immutable=1").c_str(), &raw,
                                                   SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
  const std::unique_ptr<sqlite3, DatabaseCloser> db(raw);
  if (opened != SQLITE_OK) {
    read.message = "The Firefox bookmarks cannot be opened.";
    return read;
  }
  sqlite3_stmt* raw_statement = nullptr;
  sqlite3_prepare_v2(db.get(),
                     "SELECT b.id, b.type, b.parent, b.title, p.url, b.guid FROM moz_bookmarks b "
                     "LEFT JOIN moz_places p ON p.id = b.fk ORDER BY b.parent, b.position, b.id",
                     -1, &raw_statement, nullptr);
  const std::unique_ptr<sqlite3_stmt, StatementFinalizer> statement(raw_statement);
  if (!statement) {
    read.message = "This is not a Firefox bookmarks database.";
    return read;
  }
  Builder builder;
  std::int64_t root = -1;
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
    if (builder.rows.size() >= kMaxBookmarks) {
      read.message = kTooMany;
      return read;
    }
    Row row;
    row.id = sqlite3_column_int64(statement.get(), 0);
    row.type = sqlite3_column_int(statement.get(), 1);
    const std::int64_t parent = sqlite3_column_int64(statement.get(), 2);
    row.title = column_text(statement.get(), 3);
    row.address = column_text(statement.get(), 4);
    row.guid = column_text(statement.get(), 5);
    if (parent == 0 && row.type == 2 && root < 0) root = row.id;
    builder.children[parent].push_back(builder.rows.size());
    builder.rows.push_back(std::move(row));
  }
  if (step != SQLITE_DONE || root < 0) {
    read.message = step != SQLITE_DONE ? "The Firefox bookmarks database is damaged."
                                       : "The Firefox bookmarks database has no bookmarks.";
    return read;
  }
  builder.placed.insert(root);
  if (!builder.add_children(root, read.root, 1)) {
    read.message = builder.message;
    return read;
  }
  read.ok = true;
  return read;
}

}  // namespace kv
