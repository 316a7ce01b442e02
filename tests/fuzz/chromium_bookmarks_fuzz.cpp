// Chromium's and Falkon's JSON bookmarks. What is read keeps within the limits, its
// texts are UTF-8, and it survives an HTML export and import as a tree of the same shape.
#include <glib.h>

#include <cstdint>
#include <string>

#include "bookmarks/chromium_bookmarks.h"
#include "bookmarks/html_bookmarks.h"
#include "fuzz_support.h"

namespace {

using kv::fuzz::require;

int depth_of(const kv::Bookmark& folder) {
  int deepest = 0;
  for (const kv::Bookmark& child : folder.children) {
    for (const std::string* text : {&child.title, &child.address}) {
      require(g_utf8_validate(text->data(), static_cast<gssize>(text->size()), nullptr) != FALSE,
              "a text that is not UTF-8");
    }
    if (child.folder) deepest = std::max(deepest, depth_of(child));
  }
  return deepest + 1;
}

bool same_shape(const kv::Bookmark& a, const kv::Bookmark& b) {
  if (a.folder != b.folder || a.children.size() != b.children.size()) return false;
  for (std::size_t i = 0; i < a.children.size(); ++i) {
    if (!same_shape(a.children[i], b.children[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const kv::BookmarkRead read =
      kv::read_chromium_bookmarks(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!read.ok) {
    require(!read.message.empty(), "a refusal without a message");
    return 0;
  }
  require(depth_of(read.root) <= kv::kMaxBookmarkDepth + 2, "a tree deeper than the limit");
  const kv::BookmarkRead html = kv::read_html_bookmarks(kv::write_html_bookmarks(read.root));
  require(html.ok && same_shape(html.root, read.root), "an exported tree changed its shape");
  return 0;
}
