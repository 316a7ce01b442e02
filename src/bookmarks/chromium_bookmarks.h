#pragma once

#include <string_view>

#include "bookmarks/bookmark_tree.h"

namespace kv {

// Reads the JSON bookmarks file of Chromium and Google Chrome ("Bookmarks"), which
// Falkon's bookmarks.json shares: an object "roots" whose members are folders
// ({"type": "folder", "name", "children"}) of links ({"type": "url", "name", "url"}).
// Anything else, or a file nested too deep, is refused whole.
BookmarkRead read_chromium_bookmarks(std::string_view json);

}  // namespace kv
