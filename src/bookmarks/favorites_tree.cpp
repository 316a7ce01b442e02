#include "bookmarks/favorites_tree.h"

#include "shell/favorites_folder.h"

namespace kv {
namespace {

constexpr std::size_t kMaxPerFolder = 100000;

void read_into(const std::string& path, Bookmark& folder, int depth) {
  const FolderListing listing = read_favorites_folder(path, kMaxPerFolder);
  for (std::size_t i = 0; i < listing.subfolders.size(); ++i) {
    Bookmark sub{listing.subfolder_names[i], "", true, {}};
    if (depth < kMaxBookmarkDepth) read_into(path + "/" + listing.subfolders[i], sub, depth + 1);
    folder.children.push_back(std::move(sub));
  }
  for (const FolderLink& link : listing.links) {
    if (!link.address.empty()) folder.children.push_back({link.name, link.address, false, {}});
  }
}

}  // namespace

Bookmark read_favorites_tree(const std::string& folder) {
  Bookmark root{"", "", true, {}};
  read_into(folder, root, 1);
  return root;
}

}  // namespace kv
