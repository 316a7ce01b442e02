#include "sync/new_item_pairing.h"

#include <deque>

namespace kv {
namespace {

std::string key_of(const SyncNode& node) {
  return node.folder ? "folder " + node.title : "bookmark " + node.href;
}

const std::string& renamed_as(const std::unordered_map<std::string, std::string>& renamed,
                              const std::string& id) {
  const auto found = renamed.find(id);
  return found != renamed.end() ? found->second : id;
}

}  // namespace

void pair_new_items(LocalSide& local, const SyncTree& remote, const SyncTree& base,
                    bool any_remote) {
  std::unordered_map<std::string, std::string> renamed;
  // What each of the server's folders offers, by key, made when first asked for.
  std::unordered_map<std::string, std::unordered_map<std::string, std::deque<std::string>>> offers;
  auto offered_in = [&](const std::string& folder) -> auto& {
    auto [found, fresh] = offers.try_emplace(folder);
    if (fresh) {
      for (const std::string& id : remote.children(folder)) {
        if ((any_remote || !base.contains(id)) && !local.tree.contains(id)) {
          found->second[key_of(*remote.find(id))].push_back(id);
        }
      }
    }
    return found->second;
  };
  // Parents come first, so that a folder taken for the server's is looked into there.
  for (const std::string& id : local.tree.ids()) {
    if (!NewIds::is_new(id)) continue;
    const SyncNode* node = local.tree.find(id);
    const std::string& parent = renamed_as(renamed, node->parent);
    if (!parent.empty() && !remote.contains(parent)) continue;
    std::deque<std::string>& same = offered_in(parent)[key_of(*node)];
    if (same.empty()) continue;
    renamed[id] = same.front();
    same.pop_front();
  }
  relabel_local(local, renamed);
}

void relabel_local(LocalSide& local, const std::unordered_map<std::string, std::string>& renamed) {
  if (renamed.empty()) return;
  local.tree.rename(renamed);
  std::unordered_map<std::string, std::string> paths;
  for (auto& [id, path] : local.paths) paths[renamed_as(renamed, id)] = std::move(path);
  local.paths = std::move(paths);
  local.list_folder = renamed_as(renamed, local.list_folder);
}

}  // namespace kv
