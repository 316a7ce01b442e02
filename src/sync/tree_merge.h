#pragma once

#include <string>

#include "sync/local_match.h"
#include "sync/sync_tree.h"

namespace kv {

struct MergeOptions {
  // Items deleted on one side are kept from the other: the answer "keep them" to a sync
  // that would remove many.
  bool keep_deleted = false;
};

struct MergeResult {
  // The favourites both sides hold after the sync, each folder's items in order. Items
  // new to the server keep their local ids, and copies made for changes on both sides
  // get new ones.
  SyncTree tree;
  std::size_t both_changed = 0;  // bookmarks changed both ways, kept as two
};

// The three-way merge of the server's favourites with this machine's, against the base
// that both held at the last sync:
// - what one side changed (title, address, folder) and the other did not is taken;
// - an item gone from one side is gone, unless the other changed it (then it stays);
//   an item this machine never held is never taken as deleted here;
// - a bookmark changed both ways is kept twice, the server's and this machine's; a
//   folder renamed or moved both ways takes the server's;
// - a folder deleted on one side stays while it holds something new or changed;
// - order: the server's, with this machine's new and moved items after it; in the
//   favourites list (an ordered list on this machine) each new or moved line comes
//   after the line it follows here.
MergeResult merge_trees(const SyncTree& remote, const SyncTree& base, const LocalSide& local,
                        NewIds& ids, const MergeOptions& options = {});

}  // namespace kv
