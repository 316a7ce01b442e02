#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "favorites/fav_entries.h"
#include "favorites/list_items.h"

namespace kv {

// The favourites list's entries as text, for reading fav.Dat away from any window.
class TextListItems : public ListItems {
 public:
  void clear() override { texts.clear(); }
  void add_item(std::string_view text) override { texts.emplace_back(text); }
  void add_entries(FavEntries&& entries) override {
    for (const auto& entry : entries) texts.emplace_back(entry.text);
  }
  [[nodiscard]] std::size_t count() const override { return texts.size(); }
  [[nodiscard]] std::string item(std::size_t index) const override { return texts.at(index); }
  [[nodiscard]] std::string_view item_bytes(std::size_t index) const override {
    return texts.at(index);
  }

  std::vector<std::string> texts;
};

}  // namespace kv
