#pragma once

#include <string>

#include "bookmarks/bookmark_tree.h"

namespace kv::test {

// A tree as one line per item, indented by depth: "Folder/" or "Title <address>".
inline void tree_lines(const Bookmark& folder, std::string& out, int depth = 0) {
  for (const Bookmark& child : folder.children) {
    out += std::string(static_cast<std::size_t>(depth) * 2, ' ') + child.title;
    out += child.folder ? "/\n" : " <" + child.address + ">\n";
    if (child.folder) tree_lines(child, out, depth + 1);
  }
}

inline std::string tree_text(const Bookmark& root) {
  std::string out;
  tree_lines(root, out);
  return out;
}

}  // namespace kv::test
