#pragma once

#include <string>
#include <string_view>

#include "bookmarks/bookmark_tree.h"

namespace kv {

// Reads an HTML bookmarks file (the "Netscape bookmark file" that browsers export):
// each <DL> is a folder's list, <H3> names the folder whose list follows, <A HREF> is a
// link. Read leniently, as browsers write it loosely; separators and descriptions are
// left out. Refused whole when it has no list, is nested too deep or holds too many.
BookmarkRead read_html_bookmarks(std::string_view html);

// The tree under `root` as an HTML bookmarks file that browsers import, titles and
// addresses escaped so that they stay text.
std::string write_html_bookmarks(const Bookmark& root);

}  // namespace kv
