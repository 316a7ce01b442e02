// XBEL files, as a WebDAV server hands them to sync. What is read is valid UTF-8 within
// the limits; what is written of it is a file that floccus takes and that reads back as
// the same document; metadata of ours set on any of its bookmarks reads back as set and
// leaves the rest of the item as it was.
#include <glib.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "bookmarks/bookmark_tree.h"
#include "bookmarks/xbel.h"
#include "fuzz_support.h"

namespace {

using kv::fuzz::require;

bool utf8(const std::string& text) {
  return g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr) != FALSE;
}

int check_items(std::vector<kv::XbelItem>& items, std::size_t& count) {
  int deepest = 0;
  for (kv::XbelItem& item : items) {
    ++count;
    require(utf8(item.title) && utf8(item.href) && utf8(item.id) && utf8(item.kept),
            "a text that is not UTF-8");
    if (item.kind == kv::XbelItem::Kind::kKept) {
      require(item.children.empty() && !item.kept.empty(), "a kept part with items, or empty");
      continue;
    }
    if (item.kind == kv::XbelItem::Kind::kBookmark) {
      for (const kv::XbelItem& part : item.children) {
        require(part.kind == kv::XbelItem::Kind::kKept, "a bookmark that holds items");
      }
    }
    deepest = std::max(deepest, check_items(item.children, count) + 1);
  }
  return deepest;
}

// Sets and clears metadata of ours on the first bookmark found.
kv::XbelItem* first_bookmark(std::vector<kv::XbelItem>& items) {
  for (kv::XbelItem& item : items) {
    if (item.kind == kv::XbelItem::Kind::kBookmark) return &item;
    if (item.kind == kv::XbelItem::Kind::kFolder) {
      if (kv::XbelItem* found = first_bookmark(item.children)) return found;
    }
  }
  return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  kv::XbelRead read = kv::read_xbel(text);
  if (!read.ok) {
    require(!read.message.empty(), "a refusal without a message");
    return 0;
  }
  std::size_t count = 0;
  require(check_items(read.document.items, count) <= kv::kMaxBookmarkDepth + 1,
          "folders deeper than the limit");
  require(count <= kv::kMaxBookmarks, "more items than the limit");

  const std::string written = kv::write_xbel(read.document);
  require(written.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE xbel "),
          "a file without the declaration floccus looks for");
  kv::XbelRead again = kv::read_xbel(written);
  require(again.ok, "a written file does not read back");
  kv::XbelDocument expected = read.document;
  expected.highest_id = kv::highest_xbel_id(read.document);
  require(again.document == expected, "a written file reads back as another document");

  if (kv::XbelItem* bookmark = first_bookmark(read.document.items)) {
    const kv::XbelItem before = *bookmark;
    const std::string bytes(text.substr(0, std::min<std::size_t>(text.size(), 16)));
    kv::set_xbel_metadata(*bookmark, "urn:fuzz", "bytes", bytes);
    const auto kept = kv::xbel_metadata(*bookmark, "urn:fuzz", "bytes");
    require(!utf8(bytes) || kept == kv::xbel_text(bytes), "metadata does not read back as set");
    kv::set_xbel_metadata(*bookmark, "urn:fuzz", "bytes", std::nullopt);
    require(!kv::xbel_metadata(*bookmark, "urn:fuzz", "bytes"), "metadata that stays once cleared");
    require(bookmark->title == before.title && bookmark->href == before.href &&
                bookmark->attributes == before.attributes,
            "metadata changed the bookmark");
  }
  return 0;
}
