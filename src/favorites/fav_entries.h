#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace kv {

// Favourites in list order. Each entry keeps the bytes that fav.Dat holds for it beside
// the text that List1 shows, so that an entry read from the file goes back byte for byte.
// The entries view into blocks that the list owns: a whole file read at once costs one
// block, not one allocation per line.
class FavEntries {
 public:
  struct Entry {
    std::string_view bytes;  // as written to fav.Dat, without the line end
    std::string_view text;   // what List1 shows: UTF-8 without 0 bytes, often `bytes` itself
  };

  FavEntries() = default;
  FavEntries(const FavEntries&) = delete;
  FavEntries& operator=(const FavEntries&) = delete;
  FavEntries(FavEntries&& other) noexcept { *this = std::move(other); }
  FavEntries& operator=(FavEntries&& other) noexcept;
  ~FavEntries() = default;

  // Keeps `block` for as long as entries may view into it; returns its start.
  const char* hold(std::unique_ptr<char[]> block);
  // A copy of `text` that lives as long as the entries.
  std::string_view store(std::string_view text);

  // An entry whose bytes and text already live in held or stored memory.
  void push_back(Entry entry) { entries_.push_back(entry); }
  // A new entry: its text is stored, and written as it is.
  void push_text(std::string_view text);
  // Moves every entry of `other`, and what they view into, to the end of this list.
  void append(FavEntries&& other);
  void erase(std::size_t index);
  void clear();
  void reserve(std::size_t count) { entries_.reserve(count); }

  [[nodiscard]] std::size_t size() const { return entries_.size(); }
  [[nodiscard]] bool empty() const { return entries_.empty(); }
  [[nodiscard]] const Entry& operator[](std::size_t index) const { return entries_[index]; }
  [[nodiscard]] auto begin() const { return entries_.begin(); }
  [[nodiscard]] auto end() const { return entries_.end(); }

 private:
  std::vector<Entry> entries_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  // Room left in the last block that store() cut into.
  char* free_ = nullptr;
  std::size_t free_size_ = 0;
};

}  // namespace kv
