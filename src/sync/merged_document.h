#pragma once

#include <string>
#include <unordered_map>

#include "bookmarks/xbel.h"
#include "sync/sync_tree.h"

namespace kv {

// Gives the merged items that are new to the server ids of the file, above
// `highest_given` (the highest id that the server file or the base ever gave out), in
// tree order, and raises it. Returns what was renamed, and changes the tree to match.
std::unordered_map<std::string, std::string> give_server_ids(SyncTree& merged,
                                                             long long& highest_given);

// The server file after the sync: the merged items, each with what its document kept
// of it (other attributes, <desc>, <info>), the server file's own other parts where they
// were, and the lines of the favourites list with their bytes where their address
// cannot show them.
// Its counter is `highest_given` where the file's own is lower.
XbelDocument merged_document(const SyncTree& merged, const XbelDocument& remote,
                             const std::string& list_folder, long long highest_given);

}  // namespace kv
