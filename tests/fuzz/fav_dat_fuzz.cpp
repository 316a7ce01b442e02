// fav.Dat as any program may have left it. Every entry loaded is UTF-8 without 0 bytes;
// saving the entries and loading them again gives the same entries; and a file already
// in the form that the program writes comes back byte for byte.
#include <glib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "favorites/entry_text.h"
#include "favorites/list_items.h"
#include "favorites/module1.h"
#include "fuzz_support.h"

namespace {

using kv::fuzz::require;

class Entries : public kv::ListItems {
 public:
  void clear() override { items.clear(); }
  void add_item(std::string_view text) override { items.emplace_back(text); }
  [[nodiscard]] std::size_t count() const override { return items.size(); }
  [[nodiscard]] std::string item(std::size_t index) const override { return items.at(index); }

  std::vector<std::string> items;
};

bool utf8_without_nuls(std::string_view text) {
  return g_utf8_validate_len(text.data(), text.size(), nullptr) != FALSE;
}

// Whether the program would have written `bytes` itself: UTF-8 lines each ended by CR LF,
// no byte-order mark.
bool written_form(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return false;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find("\r\n");
    if (end == std::string_view::npos) return false;
    const std::string_view line = bytes.substr(0, end);
    if (line.find('\n') != std::string_view::npos || !utf8_without_nuls(line)) return false;
    bytes.remove_prefix(end + 2);
  }
  return true;
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

std::vector<std::string> load(const std::string& path) {
  Entries list;
  list.items.emplace_back("left from before");
  require(kv::Module1::LoadListFromFile(list, path, true) == kv::Module1::FileRead::kRead,
          "a plain file that could not be read");
  return list.items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string path = kv::fuzz::scratch_folder() + "/fav.Dat";

  const std::size_t line_end = bytes.find('\n');
  check_entry_text(bytes.substr(0, line_end));

  kv::fuzz::write_file(path, bytes);
  Entries loaded;
  loaded.items = load(path);
  for (const std::string& entry : loaded.items) {
    require(utf8_without_nuls(entry), "an entry that is not UTF-8");
  }
  require(kv::Module1::SaveListToFile(loaded, path), "the entries could not be saved");
  const std::string saved = kv::fuzz::read_file(path);
  if (written_form(bytes)) require(saved == bytes, "a file in the written form changed");
  require(load(path) == loaded.items, "saving and loading changed the entries");
  return 0;
}
