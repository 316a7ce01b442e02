#include "sync/sync_tree.h"

#include <unordered_set>

namespace kv {

bool SyncTree::add(SyncNode node) {
  if (nodes_.count(node.id) != 0) return false;
  children_[node.parent].push_back(node.id);
  ids_.push_back(node.id);
  std::string id = node.id;
  nodes_.emplace(std::move(id), std::move(node));
  return true;
}

const SyncNode* SyncTree::find(const std::string& id) const {
  const auto found = nodes_.find(id);
  return found != nodes_.end() ? &found->second : nullptr;
}

SyncNode* SyncTree::find(const std::string& id) {
  const auto found = nodes_.find(id);
  return found != nodes_.end() ? &found->second : nullptr;
}

const std::vector<std::string>& SyncTree::children(const std::string& id) const {
  static const std::vector<std::string> kNone;
  const auto found = children_.find(id);
  return found != children_.end() ? found->second : kNone;
}

void SyncTree::rename(const std::unordered_map<std::string, std::string>& renamed) {
  if (renamed.empty()) return;
  auto renamed_as = [&](std::string& id) {
    const auto found = renamed.find(id);
    if (found != renamed.end()) id = found->second;
  };
  for (std::string& id : ids_) renamed_as(id);
  for (const auto& [from, to] : renamed) {
    auto node = nodes_.extract(from);
    if (node.empty()) continue;
    node.key() = to;
    node.mapped().id = to;
    nodes_.insert(std::move(node));
    auto children = children_.extract(from);
    if (children.empty()) continue;
    children.key() = to;
    children_.insert(std::move(children));
  }
  for (auto& [folder, children] : children_) {
    for (std::string& child : children) renamed_as(child);
  }
  for (auto& [id, node] : nodes_) renamed_as(node.parent);
}

bool SyncTree::inside(const std::string& id, const std::string& ancestor) const {
  const SyncNode* node = find(id);
  // The tree has no cycles, but a bounded walk costs nothing.
  for (std::size_t steps = 0; node != nullptr && steps <= nodes_.size(); ++steps) {
    if (node->parent == ancestor) return true;
    node = find(node->parent);
  }
  return false;
}

int SyncTree::depth(const std::string& id) const {
  int depth = 0;
  const SyncNode* node = find(id);
  for (std::size_t steps = 0; node != nullptr && steps <= nodes_.size(); ++steps) {
    ++depth;
    node = find(node->parent);
  }
  return depth;
}

namespace {

void collect_ids(const std::vector<XbelItem>& items, std::unordered_set<std::string>& ids) {
  for (const XbelItem& item : items) {
    if (item.kind == XbelItem::Kind::kKept) continue;
    if (!item.id.empty()) ids.insert(item.id);
    if (item.kind == XbelItem::Kind::kFolder) collect_ids(item.children, ids);
  }
}

// The first item of an id keeps it; items after it with the same id, and items without
// one, get an id that no item has.
void give_ids(std::vector<XbelItem>& items, std::unordered_set<std::string>& taken,
              std::unordered_set<std::string>& seen, long long& next_id, bool& given) {
  for (XbelItem& item : items) {
    if (item.kind == XbelItem::Kind::kKept) continue;
    if (item.id.empty() || !seen.insert(item.id).second) {
      do {
        item.id = std::to_string(next_id++);
      } while (!taken.insert(item.id).second);
      seen.insert(item.id);
      given = true;
    }
    if (item.kind == XbelItem::Kind::kFolder) give_ids(item.children, taken, seen, next_id, given);
  }
}

void flatten_into(const std::vector<XbelItem>& items, const std::string& parent, SyncTree& tree) {
  for (const XbelItem& item : items) {
    if (item.kind == XbelItem::Kind::kKept) continue;
    const bool folder = item.kind == XbelItem::Kind::kFolder;
    tree.add({item.id, parent, folder, item.title, folder ? "" : item.href, "", &item});
    if (folder) flatten_into(item.children, item.id, tree);
  }
}

}  // namespace

bool give_missing_ids(XbelDocument& document, long long& next_id) {
  std::unordered_set<std::string> taken;
  collect_ids(document.items, taken);
  std::unordered_set<std::string> seen;
  bool given = false;
  give_ids(document.items, taken, seen, next_id, given);
  return given;
}

SyncTree flatten(const XbelDocument& document) {
  SyncTree tree;
  flatten_into(document.items, "", tree);
  return tree;
}

}  // namespace kv
