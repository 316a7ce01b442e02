// fav.Dat as any program may have left it. Every entry loaded is UTF-8 without 0 bytes;
// saving the entries writes back the bytes that were read, with every line ended by
// CR LF; and loading them again gives the same entries.
#include <glib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "../favorites/vector_items.h"
#include "favorites/entry_text.h"
#include "favorites/list_items.h"
#include "favorites/module1.h"
#include "fuzz_support.h"

namespace {

using kv::fuzz::require;

bool utf8_without_nuls(std::string_view text) {
  return g_utf8_validate_len(text.data(), text.size(), nullptr) != FALSE;
}

// `bytes` as the program writes them back: each line as it was, ended by CR LF.
std::string with_crlf_line_ends(std::string_view bytes) {
  std::string lines;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.append(line).append("\r\n");
  }
  return lines;
}

void check_entry_text(std::string_view line) {
  std::string scratch;
  const std::string text(kv::entry_text(line, scratch));
  require(utf8_without_nuls(text), "an entry that is not UTF-8");
  std::string nuls_replaced;
  for (const char c : line)
    nuls_replaced += c == '\0' ? std::string("\xEF\xBF\xBD") : std::string(1, c);
  if (utf8_without_nuls(nuls_replaced)) {
    require(text == nuls_replaced, "a UTF-8 line changed beyond its 0 bytes");
  } else {
    // Windows-1252: one character for every byte.
    require(g_utf8_strlen(text.data(), static_cast<gssize>(text.size())) ==
                static_cast<glong>(line.size()),
            "a Windows-1252 line lost or gained characters");
  }
}

void load(const std::string& path, kv::test::VectorItems& list) {
  list.add_item("left from before");
  require(kv::Module1::LoadListFromFile(list, path, true) == kv::Module1::FileRead::kRead,
          "a plain file that could not be read");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string path = kv::fuzz::scratch_folder() + "/fav.Dat";

  const std::size_t line_end = bytes.find('\n');
  check_entry_text(bytes.substr(0, line_end));

  kv::fuzz::write_file(path, bytes);
  kv::test::VectorItems loaded;
  load(path, loaded);
  for (const std::string& entry : loaded.items) {
    require(utf8_without_nuls(entry), "an entry that is not UTF-8");
  }
  require(kv::Module1::SaveListToFile(loaded, path), "the entries could not be saved");
  const std::string saved = kv::fuzz::read_file(path);
  require(saved == with_crlf_line_ends(bytes), "saving changed bytes beyond the line ends");
  kv::test::VectorItems again;
  load(path, again);
  require(again.items == loaded.items, "saving and loading changed the entries");
  return 0;
}
