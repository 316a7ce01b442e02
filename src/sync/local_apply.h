#pragma once

#include <string>
#include <vector>

#include "sync/local_favorites.h"
#include "sync/local_match.h"
#include "sync/sync_tree.h"

namespace kv {

// Whether this machine holds the merged item `id`: a folder or link of the favourites
// folder (not too deep; a link of one trimmed line), or a line of the favourites list
// that fits a line of fav.Dat.
bool held_here(const SyncTree& merged, const std::string& id, const std::string& list_folder);

// The bookmarks and lines of this machine that the sync would take away from it.
std::vector<SyncNode> local_removals(const SyncTree& merged, const LocalSide& local);

// Whether the merged favourites are not this machine's as they stand.
bool changes_here(const SyncTree& merged, const LocalSide& local);

struct LocalChanges {
  bool ok = true;  // false when a change could not be made; the rest were made
  SyncLocations locations;
  std::size_t added = 0;    // bookmarks and lines
  std::size_t removed = 0;  // bookmarks and lines
  std::size_t changed = 0;  // moved, renamed or given another address
};

// Makes this machine's favourites the merged ones: folders and links created, moved,
// renamed, given their new address and removed (links before the folders they were in),
// and the list written once whole when its lines changed. Items this machine cannot
// hold are left to the server. Returns where everything went.
LocalChanges apply_locally(const SyncTree& merged, const LocalSide& local,
                           LocalFavorites& favorites);

}  // namespace kv
