#include "sync/sync_plan.h"

#include <algorithm>

#include "sync/local_apply.h"
#include "sync/merged_document.h"
#include "sync/new_item_pairing.h"

namespace kv {
namespace {

// The folder of the list in the server file: the one of the last sync, or else the
// first top-level folder of the list's title.
std::string list_folder_in(const SyncTree& remote, const SyncLocations& was) {
  if (const SyncNode* known = remote.find(was.list_folder); known != nullptr && known->folder) {
    return known->id;
  }
  for (const std::string& id : remote.children("")) {
    const SyncNode* node = remote.find(id);
    if (node->folder && node->title == kListFolderTitle) return id;
  }
  return {};
}

void fill_list_bytes(SyncTree& tree, const std::string& folder, const ListText& text_of) {
  if (folder.empty()) return;
  for (const std::string& id : tree.children(folder)) {
    SyncNode* node = tree.find(id);
    if (!node->folder && node->source != nullptr)
      node->bytes = list_line_of(*node->source, text_of);
  }
}

}  // namespace

std::size_t bookmark_count(const SyncTree& tree) {
  return static_cast<std::size_t>(
      std::count_if(tree.ids().begin(), tree.ids().end(),
                    [&](const auto& id) { return !tree.find(id)->folder; }));
}

bool large_removal(std::size_t removed, std::size_t total) {
  return removed > 5 && removed * 10 > total;
}

SyncPlan plan_sync(XbelDocument remote, const XbelDocument& base, const SyncLocations& was,
                   const LocalRead& local, SyncMode mode, const ListText& text_of,
                   const MergeOptions& options) {
  SyncPlan plan;
  const bool first = mode != SyncMode::kNormal;
  const XbelDocument empty;
  const XbelDocument& base_document = first ? empty : base;
  const SyncLocations none;
  const SyncLocations& known = first ? none : was;

  long long highest = std::max(highest_xbel_id(remote), highest_xbel_id(base));
  long long next = highest + 1;
  const bool ids_given = give_missing_ids(remote, next);
  highest = std::max(highest, next - 1);

  SyncTree remote_tree = flatten(remote);
  SyncTree base_tree = flatten(base_document);
  const std::string remote_list = list_folder_in(remote_tree, known);
  fill_list_bytes(remote_tree, remote_list, text_of);
  fill_list_bytes(base_tree, known.list_folder, text_of);

  NewIds ids;
  plan.local = match_local(local, base_tree, known, ids);
  pair_new_items(plan.local, remote_tree, base_tree, first);
  if (plan.local.list_folder.empty()) plan.local.list_folder = remote_list;

  MergeResult merged;
  switch (mode) {
    case SyncMode::kNormal:
    case SyncMode::kMerge:
      merged = merge_trees(remote_tree, base_tree, plan.local, ids, options);
      break;
    case SyncMode::kUseServer:
      merged.tree = remote_tree;
      break;
    case SyncMode::kUseLocal: {
      // Against the server's own file as the base: what this machine lacks of what it
      // could hold goes, and the rest of the server's stays.
      LocalSide as_base = plan.local;
      for (const std::string& id : remote_tree.ids()) {
        if (held_here(remote_tree, id, plan.local.list_folder)) as_base.tracked.insert(id);
      }
      merged = merge_trees(remote_tree, remote_tree, as_base, ids, options);
      break;
    }
  }
  plan.both_changed = merged.both_changed;
  plan.merged = std::move(merged.tree);
  relabel_local(plan.local, give_server_ids(plan.merged, highest));

  plan.document = merged_document(plan.merged, remote, plan.local.list_folder, highest);
  plan.server_changes = ids_given || !(plan.document == remote);
  plan.local_removals = local_removals(plan.merged, plan.local);
  for (const std::string& id : remote_tree.ids()) {
    const SyncNode* node = remote_tree.find(id);
    if (!node->folder && !plan.merged.contains(id)) plan.server_removals.push_back(*node);
  }
  // The documents the items came from end here.
  for (const std::string& id : plan.merged.ids()) plan.merged.find(id)->source = nullptr;
  for (SyncNode& node : plan.server_removals) node.source = nullptr;
  return plan;
}

}  // namespace kv
