#pragma once

#include <string>
#include <vector>

#include "bookmarks/bookmark_tree.h"

namespace kv {

// A file of another browser's bookmarks, or an HTML bookmarks file.
struct BookmarkSource {
  enum class Kind { kFirefox, kChromiumJson, kHtml };
  Kind kind = Kind::kHtml;
  std::string browser;  // "Firefox", "Chromium", "Google Chrome", "Falkon", or the file's name
  std::string profile;  // "" for an HTML file
  std::string path;
  // What the import's folder is named after: the browser, with the profile when the
  // browser has more than one.
  std::string name;
};

// The bookmarks of every profile found under `home` and `config_home` (the XDG config
// folder): Firefox (profiles.ini, also its Flatpak and Snap homes), Chromium, Google
// Chrome and Falkon.
std::vector<BookmarkSource> find_bookmark_sources(const std::string& home,
                                                  const std::string& config_home);

// An HTML bookmarks file the user picked.
BookmarkSource html_source(const std::string& path);

// "Firefox, profile default-release".
std::string source_title(const BookmarkSource& source);

// Reads a source whole.
BookmarkRead read_bookmark_source(const BookmarkSource& source);

}  // namespace kv
