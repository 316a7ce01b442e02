#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kv {

class FavEntries;

// What the favourites file needs of a list box: remove all items, append items at the
// end, the number of items, and an item by its 0-based index, as the text shown and as
// the bytes that the file holds. The favourites window's List1 is one; tests use a plain
// vector.
class ListItems {
 public:
  ListItems() = default;
  ListItems(const ListItems&) = delete;
  ListItems& operator=(const ListItems&) = delete;
  ListItems(ListItems&&) = delete;
  ListItems& operator=(ListItems&&) = delete;
  virtual ~ListItems() = default;

  virtual void clear() = 0;
  // An entry the user added, in UTF-8; the file gets it as it is.
  virtual void add_item(std::string_view text) = 0;
  // Entries read from the file, in order; each keeps the bytes it was read as.
  virtual void add_entries(FavEntries&& entries) = 0;
  [[nodiscard]] virtual std::size_t count() const = 0;
  // The text shown, UTF-8.
  [[nodiscard]] virtual std::string item(std::size_t index) const = 0;
  // What the file holds for the item; valid until the list changes.
  [[nodiscard]] virtual std::string_view item_bytes(std::size_t index) const = 0;

  // Many items are about to be cleared or added; a list shown on screen can stop
  // redrawing until end_bulk. Calls come in pairs and do not nest.
  virtual void begin_bulk() {}
  virtual void end_bulk() {}
};

}  // namespace kv
