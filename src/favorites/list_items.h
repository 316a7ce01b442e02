#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kv {

// The four things the favourites file needs of a list box: remove all items, append
// an item at the end, the number of items, and the text of an item by its 0-based
// index. The favourites window's List1 is one; tests use a plain vector.
class ListItems {
 public:
  ListItems() = default;
  ListItems(const ListItems&) = delete;
  ListItems& operator=(const ListItems&) = delete;
  ListItems(ListItems&&) = delete;
  ListItems& operator=(ListItems&&) = delete;
  virtual ~ListItems() = default;

  virtual void clear() = 0;
  // Texts are UTF-8.
  virtual void add_item(std::string_view text) = 0;
  [[nodiscard]] virtual std::size_t count() const = 0;
  [[nodiscard]] virtual std::string item(std::size_t index) const = 0;

  // Many items are about to be cleared or added; a list shown on screen can stop
  // redrawing until end_bulk. Calls come in pairs and do not nest.
  virtual void begin_bulk() {}
  virtual void end_bulk() {}
};

}  // namespace kv
