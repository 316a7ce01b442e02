#pragma once

#include <sqlite3.h>

#include <string>

namespace kv::test {

// The first column of the first row that `sql` gives in the database file, read only;
// "" when there is none or the database cannot be read.
inline std::string sqlite_value(const std::string& database, const char* sql) {
  sqlite3* db = nullptr;
  sqlite3_stmt* statement = nullptr;
  std::string value;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      // A writer that closes the file holds it locked for a moment.
      sqlite3_busy_timeout(db, 5000) == SQLITE_OK &&
      sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0) != nullptr) {
    value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return value;
}

}  // namespace kv::test
