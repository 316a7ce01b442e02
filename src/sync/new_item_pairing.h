#pragma once

#include "sync/local_match.h"
#include "sync/sync_tree.h"

namespace kv {

// Takes this machine's new items for the server's items that are the same: in the same
// folder, a folder of the same title or a bookmark of the same address (a line of the
// list: of the same text). Only the server's items that the base does not hold are
// taken, or every one with `any_remote`; each is taken once. The local side's ids are
// changed to theirs.
void pair_new_items(LocalSide& local, const SyncTree& remote, const SyncTree& base,
                    bool any_remote);

// Changes the local side's ids as `renamed` says.
void relabel_local(LocalSide& local, const std::unordered_map<std::string, std::string>& renamed);

}  // namespace kv
