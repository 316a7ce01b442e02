#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "bookmarks/xbel.h"

namespace kv {

// A folder or bookmark of one side of a sync, flattened for the three-way merge. Ids are
// the server file's; an item of this machine that the server has not seen yet has one
// of its own until the merge gives it a real one.
struct SyncNode {
  std::string id;
  std::string parent;  // "" for the top level
  bool folder = false;
  std::string title;
  std::string href;
  std::string bytes;  // an entry of the favourites list: its fav.Dat line
  // Where the item came from in its document, whose other parts it keeps; nullptr for
  // an item of this machine.
  const XbelItem* source = nullptr;
};

// The folders and bookmarks of one side by id, each folder's children in order.
class SyncTree {
 public:
  // Adds `node` after its parent's other children; false when its id is taken.
  bool add(SyncNode node);
  [[nodiscard]] const SyncNode* find(const std::string& id) const;
  [[nodiscard]] SyncNode* find(const std::string& id);
  [[nodiscard]] bool contains(const std::string& id) const { return nodes_.count(id) != 0; }
  // The children of a folder, "" for the top level.
  [[nodiscard]] const std::vector<std::string>& children(const std::string& id) const;
  // Every id, parents before their children.
  [[nodiscard]] const std::vector<std::string>& ids() const { return ids_; }
  [[nodiscard]] std::size_t size() const { return nodes_.size(); }
  // Gives items the ids `renamed` says, in place.
  void rename(const std::unordered_map<std::string, std::string>& renamed);
  // Whether `id` lies inside the folder `ancestor` (at any depth).
  [[nodiscard]] bool inside(const std::string& id, const std::string& ancestor) const;
  // How deep `id` lies: 1 for the top level.
  [[nodiscard]] int depth(const std::string& id) const;

 private:
  std::unordered_map<std::string, SyncNode> nodes_;
  std::unordered_map<std::string, std::vector<std::string>> children_;
  std::vector<std::string> ids_;
};

// Gives every folder and bookmark without an id, or with one used before it, an id of
// its own from `next_id` on. Returns whether any was given.
bool give_missing_ids(XbelDocument& document, long long& next_id);

// The folders and bookmarks of a document whose ids are all its own; kept parts stay in
// the document.
SyncTree flatten(const XbelDocument& document);

}  // namespace kv
