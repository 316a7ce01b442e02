#include "support/files_holding.h"

#include <glib.h>
#include <sqlite3.h>

#include <filesystem>
#include <sstream>

#include "desktop/glib_handles.h"
#include "support/file_bytes.h"

namespace kv::test {
namespace {

// How a form sends `text`: letters and digits as they are, spaces as +, the rest %XX.
std::string form_encoded(const std::string& text) {
  std::string encoded;
  for (const unsigned char c : text) {
    if (g_ascii_isalnum(c) || c == '*' || c == '-' || c == '.' || c == '_') {
      encoded += static_cast<char>(c);
    } else if (c == ' ') {
      encoded += '+';
    } else {
      encoded += "%" + std::string(1, "0123456789ABCDEF"[c >> 4]) + "0123456789ABCDEF"[c & 15];
    }
  }
  return encoded;
}

bool holds(const std::string& bytes, const std::string& secret) {
  return bytes.find(secret) != std::string::npos ||
         bytes.find(form_encoded(secret)) != std::string::npos;
}

bool base64_char(char c) {
  return g_ascii_isalnum(c) || c == '+' || c == '/';
}

bool holds_even_in_base64(const std::string& bytes, const std::string& secret) {
  bool held = holds(bytes, secret);
  for (std::size_t at = 0; at < bytes.size() && !held;) {
    std::size_t end = at;
    while (end < bytes.size() && base64_char(bytes[end])) ++end;
    // Read from each of the four places a value may start within the run.
    for (std::size_t skip = 0; end - at >= 16 && skip < 4 && !held; ++skip) {
      gsize size = 0;
      const std::string value = bytes.substr(at + skip, end - at - skip);
      const OwnedChars decoded(reinterpret_cast<gchar*>(g_base64_decode(value.c_str(), &size)));
      held = holds(std::string(decoded.get(), size), secret);
    }
    at = end + 1;
  }
  return held;
}

int append_row(void* text, int columns, char** values, char** /*names*/) {
  for (int i = 0; i < columns; ++i) {
    if (values[i] != nullptr) static_cast<std::string*>(text)->append(values[i]).push_back('\n');
  }
  return 0;
}

// Every value of every table, a line each; "" for a file that is no database.
std::string database_text(const std::string& path) {
  sqlite3* db = nullptr;
  std::string tables;
  std::string text;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_exec(db, "SELECT name FROM sqlite_master WHERE type = 'table'", append_row, &tables,
                 nullptr);
    std::istringstream names(tables);
    for (std::string table; std::getline(names, table);) {
      sqlite3_exec(db, ("SELECT * FROM \"" + table + "\"").c_str(), append_row, &text, nullptr);
    }
  }
  sqlite3_close(db);
  return text;
}

}  // namespace

std::vector<std::string> files_holding(const std::string& folder, const std::string& secret) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    const std::string bytes = read_file(entry.path().string());
    bool held = holds_even_in_base64(bytes, secret);
    if (!held && bytes.starts_with(std::string("SQLite format 3", 16))) {
      held = holds_even_in_base64(database_text(entry.path().string()), secret);
    }
    if (held) found.push_back(entry.path().string());
  }
  return found;
}

}  // namespace kv::test
