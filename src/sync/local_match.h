#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "sync/local_favorites.h"
#include "sync/sync_tree.h"

namespace kv {

// Where the items of the last sync went on this machine: the path of each in the
// favourites folder, and the item of each line of fav.Dat as it was written.
struct SyncLocations {
  std::unordered_map<std::string, std::string> paths;
  std::vector<std::string> list;
  std::string list_folder;  // the folder that holds the list; "" while there is none

  bool operator==(const SyncLocations&) const = default;
};

// Ids of items this machine has and the server has not seen yet: they cannot be taken
// for an id of the file, which XML never holds a control character in.
class NewIds {
 public:
  std::string next() { return "\x01" + std::to_string(++count_); }
  static bool is_new(const std::string& id) { return id.starts_with('\x01'); }

 private:
  long long count_ = 0;
};

// This machine's favourites with the ids of the server file.
struct LocalSide {
  SyncTree tree;
  // Where each item of the favourites folder is now.
  std::unordered_map<std::string, std::string> paths;
  // The items of the last sync that were on this machine then: what is missing of them
  // now was deleted here. What this machine could not hold is not among them.
  std::unordered_set<std::string> tracked;
  std::string list_folder;  // "" when there is no list and none on the server
};

// Gives this machine's favourites the ids of the last sync's items. An item is the one
// that was at its path; a folder moved or renamed is the one whose items it holds; a
// link moved or renamed is one of the same address that is gone from where it was.
// The list's lines are the ones of the same bytes, or else of the same text, in order.
// Everything else is new.
LocalSide match_local(const LocalRead& local, const SyncTree& base, const SyncLocations& was,
                      NewIds& ids);

}  // namespace kv
