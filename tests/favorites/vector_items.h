#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "favorites/list_items.h"

namespace kv::test {

// A list box's items in a plain vector. It can be told to fail at one item, as a
// list that runs out of memory would.
class VectorItems : public ListItems {
 public:
  VectorItems() = default;
  explicit VectorItems(std::vector<std::string> start) : items(std::move(start)) {}

  void clear() override { items.clear(); }
  void add_item(std::string_view text) override {
    if (fail_adding_at == items.size()) throw std::runtime_error("cannot add");
    items.emplace_back(text);
  }
  [[nodiscard]] std::size_t count() const override { return items.size(); }
  [[nodiscard]] std::string item(std::size_t index) const override {
    if (fail_reading_at == index) throw std::runtime_error("cannot read");
    return items.at(index);
  }
  void begin_bulk() override { ++bulk_depth; }
  void end_bulk() override { --bulk_depth; }

  std::vector<std::string> items;
  std::size_t fail_adding_at = std::string::npos;
  std::size_t fail_reading_at = std::string::npos;
  int bulk_depth = 0;
};

}  // namespace kv::test
