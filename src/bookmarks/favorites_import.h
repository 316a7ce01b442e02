#pragma once

#include <atomic>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "bookmarks/bookmark_tree.h"

namespace kv {

// What an import did, for its summary.
struct ImportSummary {
  bool ok = false;
  std::string message;      // why nothing was imported, when !ok
  std::string folder_name;  // the folder made (or added to) in the favourites folder
  std::size_t imported = 0;
  std::size_t folders = 0;
  std::size_t already_there = 0;  // brought in by an earlier import of the same source
  std::size_t empty_folders = 0;
  std::size_t failed = 0;                      // could not be written
  std::map<std::string, std::size_t> skipped;  // by scheme ("javascript", ...), or
                                               // "no usable address"
  std::vector<std::string> addresses;          // imported, in the source's order
};

// The name of an import's folder: "Imported from Firefox 2026-12-07".
std::string import_folder_name(const std::string& source_name, const std::string& date);

// Whether an address may come in: http, https, ftp and file only. Otherwise `kind`
// says why, for the summary: the scheme, or "no usable address".
bool importable_address(const std::string& address, std::string& kind);

// Writes the tree under `root` into `favorites_folder` as folders and internet
// shortcuts under one folder named after the source and the date, in the source's
// nesting. Nothing there is changed or overwritten: a name in use gets " (2)" and on;
// a folder of that day's earlier import is added to. Links whose address an earlier
// import of this source brought in, and folders left empty, are skipped. Nothing is
// written outside `favorites_folder`, and no link is followed. `done` counts the links
// handled, for a progress bar in another thread.
ImportSummary import_bookmarks(const Bookmark& root, const std::string& favorites_folder,
                               const std::string& source_name, const std::string& date,
                               std::atomic<std::size_t>* done = nullptr);

}  // namespace kv
