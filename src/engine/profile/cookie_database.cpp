#include "engine/profile/cookie_database.h"

#include <sqlite3.h>

#include "desktop/private_files.h"

namespace kv {
namespace {

// The engine's own table (libsoup's cookie jar), column for column: the engine reads and
// writes it as it finds it.
constexpr const char* kPrepare =
    "PRAGMA journal_mode = WAL;"
    "CREATE TABLE IF NOT EXISTS moz_cookies (id INTEGER PRIMARY KEY, name TEXT, value TEXT, "
    "host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, isSecure INTEGER, "
    "isHttpOnly INTEGER, sameSite INTEGER);";

// Another copy of the program may be preparing or writing it at this moment.
constexpr int kBusyWaitMs = 5000;

}  // namespace

bool prepare_cookie_database(const std::string& path) {
  make_private_database(path);
  sqlite3* db = nullptr;
  bool ready = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                               nullptr) == SQLITE_OK;
  if (ready) {
    sqlite3_busy_timeout(db, kBusyWaitMs);
    ready = sqlite3_exec(db, kPrepare, nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  sqlite3_close(db);
  return ready;
}

}  // namespace kv
