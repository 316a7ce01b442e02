#pragma once

#include <string>

#include "bookmarks/bookmark_tree.h"

namespace kv {

// The folders and links of the favourites folder at `folder`, as the folder pane lists
// them, for an export. Deeper than kMaxBookmarkDepth is left out.
Bookmark read_favorites_tree(const std::string& folder);

}  // namespace kv
