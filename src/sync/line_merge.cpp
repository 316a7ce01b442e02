#include "sync/line_merge.h"

#include <deque>
#include <unordered_map>

#include "sync/tree_merge.h"

namespace kv {
namespace {

constexpr const char* kList = "list";

// Each line of `lines` as the base's line of the same bytes (its id), or a new one.
std::vector<std::string> ids_of(const std::vector<std::string>& base,
                                const std::vector<std::string>& lines, const std::string& fresh) {
  std::unordered_map<std::string, std::deque<std::size_t>> unused;
  for (std::size_t i = 0; i < base.size(); ++i) unused[base[i]].push_back(i);
  std::vector<std::string> ids;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    auto& same = unused[lines[i]];
    if (same.empty()) {
      ids.push_back(fresh + std::to_string(i));
    } else {
      ids.push_back("b" + std::to_string(same.front()));
      same.pop_front();
    }
  }
  return ids;
}

SyncTree list_tree(const std::vector<std::string>& lines, const std::vector<std::string>& ids) {
  SyncTree tree;
  tree.add({kList, "", true, "", "", "", nullptr});
  for (std::size_t i = 0; i < lines.size(); ++i) {
    tree.add({ids[i], kList, false, "", lines[i], lines[i], nullptr});
  }
  return tree;
}

}  // namespace

std::vector<std::string> merge_lines(const std::vector<std::string>& base,
                                     const std::vector<std::string>& ours,
                                     const std::vector<std::string>& theirs) {
  std::vector<std::string> base_ids;
  for (std::size_t i = 0; i < base.size(); ++i) base_ids.push_back("b" + std::to_string(i));
  const SyncTree base_tree = list_tree(base, base_ids);
  const SyncTree their_tree = list_tree(theirs, ids_of(base, theirs, "t"));
  LocalSide local;
  local.tree = list_tree(ours, ids_of(base, ours, NewIds().next() + "o"));
  local.list_folder = kList;
  local.tracked.insert(base_ids.begin(), base_ids.end());
  local.tracked.insert(kList);
  NewIds ids;
  const MergeResult merged = merge_trees(their_tree, base_tree, local, ids);
  std::vector<std::string> lines;
  for (const std::string& id : merged.tree.children(kList))
    lines.push_back(merged.tree.find(id)->bytes);
  return lines;
}

}  // namespace kv
