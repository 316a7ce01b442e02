#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "favorites/fav_entries.h"
#include "favorites/list_items.h"

namespace kv::test {

// A list box's items in a plain vector. It can be told to fail at one item, as a
// list that runs out of memory would.
class VectorItems : public ListItems {
 public:
  VectorItems() = default;
  explicit VectorItems(std::vector<std::string> start) : items(std::move(start)) {}

  void clear() override {
    items.clear();
    read_as.clear();
  }
  void add_item(std::string_view text) override {
    if (fail_adding_at == items.size()) throw std::runtime_error("cannot add");
    items.emplace_back(text);
  }
  void add_entries(FavEntries&& entries) override {
    for (const auto& entry : entries) {
      add_item(entry.text);
      if (entry.bytes != entry.text) read_as[items.size() - 1] = entry.bytes;
    }
  }
  [[nodiscard]] std::size_t count() const override { return items.size(); }
  [[nodiscard]] std::string item(std::size_t index) const override {
    if (fail_reading_at == index) throw std::runtime_error("cannot read");
    return items.at(index);
  }
  [[nodiscard]] std::string_view item_bytes(std::size_t index) const override {
    if (fail_reading_at == index) throw std::runtime_error("cannot read");
    const auto read = read_as.find(index);
    return read != read_as.end() ? std::string_view(read->second)
                                 : std::string_view(items.at(index));
  }
  void begin_bulk() override { ++bulk_depth; }
  void end_bulk() override { --bulk_depth; }

  std::vector<std::string> items;              // the texts shown
  std::map<std::size_t, std::string> read_as;  // the bytes of items read as other bytes
  std::size_t fail_adding_at = std::string::npos;
  std::size_t fail_reading_at = std::string::npos;
  int bulk_depth = 0;
};

}  // namespace kv::test
