#include "favorites/fav_entries.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace kv {
namespace {

// Small texts share blocks of this size; a larger one gets a block of its own.
constexpr std::size_t kStoreBlock = std::size_t{64} << 10U;

}  // namespace

FavEntries& FavEntries::operator=(FavEntries&& other) noexcept {
  if (this == &other) return *this;
  entries_ = std::move(other.entries_);
  blocks_ = std::move(other.blocks_);
  free_ = std::exchange(other.free_, nullptr);
  free_size_ = std::exchange(other.free_size_, 0);
  other.clear();
  return *this;
}

const char* FavEntries::hold(std::unique_ptr<char[]> block) {
  blocks_.push_back(std::move(block));
  return blocks_.back().get();
}

std::string_view FavEntries::store(std::string_view text) {
  if (text.empty()) return {};
  if (text.size() > free_size_) {
    const std::size_t size = std::max(text.size(), kStoreBlock);
    char* block = const_cast<char*>(hold(std::make_unique_for_overwrite<char[]>(size)));
    if (size == text.size()) {
      std::memcpy(block, text.data(), text.size());
      return {block, text.size()};
    }
    free_ = block;
    free_size_ = size;
  }
  char* copy = free_;
  std::memcpy(copy, text.data(), text.size());
  free_ += text.size();
  free_size_ -= text.size();
  return {copy, text.size()};
}

void FavEntries::push_text(std::string_view text) {
  const std::string_view stored = store(text);
  entries_.push_back({stored, stored});
}

void FavEntries::append(FavEntries&& other) {
  if (entries_.empty() && blocks_.empty()) {
    *this = std::move(other);
    return;
  }
  entries_.insert(entries_.end(), other.entries_.begin(), other.entries_.end());
  for (auto& block : other.blocks_) blocks_.push_back(std::move(block));
  other.entries_.clear();
  other.blocks_.clear();
  other.free_ = nullptr;
  other.free_size_ = 0;
}

void FavEntries::erase(std::size_t index) {
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
}

void FavEntries::clear() {
  entries_.clear();
  blocks_.clear();
  free_ = nullptr;
  free_size_ = 0;
}

}  // namespace kv
