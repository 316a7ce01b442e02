#pragma once

#include <vector>

#include "bookmarks/xbel.h"
#include "sync/list_lines.h"
#include "sync/local_match.h"
#include "sync/tree_merge.h"

namespace kv {

enum class SyncMode {
  kNormal,     // against the base of the last sync
  kMerge,      // a first sync: both sides' favourites, the same ones once
  kUseServer,  // a first sync: this machine's become the server's
  kUseLocal,   // a first sync: the server's become this machine's
};

// What a sync would do, worked out without the network and without changing anything.
struct SyncPlan {
  XbelDocument document;        // the server file after the sync
  bool server_changes = false;  // it is not the server's file as it stands
  SyncTree merged;              // its folders and bookmarks
  LocalSide local;              // this machine's, with the merged ids
  std::vector<SyncNode> local_removals;
  std::vector<SyncNode> server_removals;  // bookmarks the server file would lose
  std::size_t both_changed = 0;
};

// `remote` is the server's file (empty when there is none), `base` and `was` what the
// last sync left (empty on a first sync). Items of the server file without an id of
// their own are given one.
SyncPlan plan_sync(XbelDocument remote, const XbelDocument& base, const SyncLocations& was,
                   const LocalRead& local, SyncMode mode, const ListText& text_of,
                   const MergeOptions& options = {});

// How many bookmarks a tree holds, lines of the list among them.
std::size_t bookmark_count(const SyncTree& tree);

// Whether removing `removed` of `total` favourites is a large removal that asks first:
// more than 5, and more than a tenth of them.
bool large_removal(std::size_t removed, std::size_t total);

}  // namespace kv
