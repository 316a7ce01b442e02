#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "favorites/entry_text.h"
#include "favorites/fav_entries.h"
#include "favorites/list_items.h"
#include "sync/local_favorites.h"

namespace kv {

// The text a line of fav.Dat of these bytes shows.
inline std::string line_text(std::string_view bytes) {
  std::string scratch;
  return std::string(entry_text(bytes, scratch));
}

// fav.Dat's lines as read, bytes and text.
class LinesRead : public ListItems {
 public:
  void clear() override { lines.clear(); }
  void add_item(std::string_view text) override {
    lines.push_back({std::string(text), std::string(text)});
  }
  void add_entries(FavEntries&& entries) override {
    for (const auto& entry : entries) {
      lines.push_back({std::string(entry.bytes), std::string(entry.text)});
    }
  }
  [[nodiscard]] std::size_t count() const override { return lines.size(); }
  [[nodiscard]] std::string item(std::size_t index) const override { return lines.at(index).text; }
  [[nodiscard]] std::string_view item_bytes(std::size_t index) const override {
    return lines.at(index).bytes;
  }

  std::vector<ListEntry> lines;
};

// Lines to write, each shown as reading the file would show it (the mark at the start
// of the file is no part of the first line's text).
class LinesToWrite : public ListItems {
 public:
  explicit LinesToWrite(const std::vector<std::string>& lines) : lines_(lines) {}
  void clear() override {}
  void add_item(std::string_view /*text*/) override {}
  void add_entries(FavEntries&& /*entries*/) override {}
  [[nodiscard]] std::size_t count() const override { return lines_.size(); }
  [[nodiscard]] std::string item(std::size_t index) const override {
    static constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
    std::string_view line = lines_.at(index);
    if (index == 0 && line.starts_with(kUtf8Bom)) line.remove_prefix(kUtf8Bom.size());
    return line_text(line);
  }
  [[nodiscard]] std::string_view item_bytes(std::size_t index) const override {
    return lines_.at(index);
  }

 private:
  const std::vector<std::string>& lines_;
};

}  // namespace kv
