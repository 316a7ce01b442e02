// HTML bookmarks files. What is read is valid UTF-8 within the limits, what is written
// of it reads back as the same tree, and an import of it writes only inside the
// favourites folder, only link files.
#include <glib.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "bookmarks/favorites_import.h"
#include "bookmarks/html_bookmarks.h"
#include "fuzz_support.h"

namespace {

using kv::fuzz::require;

bool same_tree(const kv::Bookmark& a, const kv::Bookmark& b) {
  if (a.title != b.title || a.address != b.address || a.folder != b.folder ||
      a.children.size() != b.children.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.children.size(); ++i) {
    if (!same_tree(a.children[i], b.children[i])) return false;
  }
  return true;
}

int depth_of(const kv::Bookmark& folder) {
  int deepest = 0;
  for (const kv::Bookmark& child : folder.children) {
    require(child.folder || child.children.empty(), "a link with children");
    require(g_utf8_validate(child.title.data(), static_cast<gssize>(child.title.size()), nullptr) !=
                FALSE,
            "a title that is not UTF-8");
    if (child.folder) deepest = std::max(deepest, depth_of(child));
  }
  return deepest + 1;
}

// Every entry under `folder` is a folder or a .url file.
void require_only_links(const std::string& folder) {
  // Paths past what the system takes end the walk; the writer itself never builds them.
  std::error_code error;
  for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    require(!it->is_symlink(error), "a symbolic link was made");
    require(it->is_directory(error) || it->path().extension() == ".url",
            "an import wrote something other than a folder or link file");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string html(reinterpret_cast<const char*>(data), size);
  const kv::BookmarkRead read = kv::read_html_bookmarks(html);
  if (!read.ok) {
    require(!read.message.empty(), "a refusal without a message");
    return 0;
  }
  require(depth_of(read.root) <= kv::kMaxBookmarkDepth + 2, "a tree deeper than the limit");
  const kv::BookmarkRead again = kv::read_html_bookmarks(kv::write_html_bookmarks(read.root));
  require(again.ok && same_tree(again.root, read.root), "a written tree does not read back");

  const std::string scratch = kv::fuzz::scratch_folder() + "/import";
  std::error_code ignored;
  std::filesystem::remove_all(scratch, ignored);
  std::filesystem::create_directories(scratch + "/favorites");
  const kv::ImportSummary summary =
      kv::import_bookmarks(read.root, scratch + "/favorites", "Fuzz", "today");
  require(summary.ok, "an import into a fresh folder failed");
  require(std::distance(std::filesystem::directory_iterator(scratch),
                        std::filesystem::directory_iterator()) == 1,
          "an import wrote outside the favourites folder");
  require_only_links(scratch + "/favorites");
  return 0;
}
