#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kv {

// A bookmark or a folder of bookmarks as another browser keeps it, in its order.
struct Bookmark {
  std::string title;    // UTF-8
  std::string address;  // "" for a folder
  bool folder = false;
  std::vector<Bookmark> children;
};

// What a reader made of a file: the tree under `root` (a folder without a title), or a
// message that says why there is none.
struct BookmarkRead {
  bool ok = false;
  std::string message;
  Bookmark root{"", "", true, {}};
};

// Limits on what is read from another program's file: larger or deeper files are
// refused whole, so that nothing half-read comes in.
inline constexpr std::size_t kMaxBookmarkFileBytes = 64U * 1024U * 1024U;
inline constexpr int kMaxBookmarkDepth = 64;
inline constexpr std::size_t kMaxBookmarks = 1000000;

// What a tree holds: links and folders below the root.
struct BookmarkCount {
  std::size_t links = 0;
  std::size_t folders = 0;
};
BookmarkCount count_bookmarks(const Bookmark& root);

// The messages the readers share.
inline constexpr const char* kTooLarge = "The file is larger than 64 MiB.";
inline constexpr const char* kTooDeep = "The folders are nested more than 64 deep.";
inline constexpr const char* kTooMany = "The file holds more than a million bookmarks.";

// Reads a whole regular file of at most kMaxBookmarkFileBytes into `text`; otherwise a
// message for the user.
bool read_bookmark_file(const std::string& path, std::string& text, std::string& message);

}  // namespace kv
