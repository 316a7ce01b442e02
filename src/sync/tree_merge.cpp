#include "sync/tree_merge.h"

#include <algorithm>
#include <unordered_set>

namespace kv {
namespace {

bool differs(const SyncNode& a, const SyncNode& b) {
  return a.title != b.title || a.href != b.href || a.parent != b.parent;
}

// The side that changed a value wins; when both did, differently, the server's.
const std::string& pick(const std::string& base, const std::string& remote,
                        const std::string& local, bool& both_changed) {
  if (local == base) return remote;
  if (remote == base) return local;
  if (remote != local) both_changed = true;
  return remote;
}

// The indices of a longest run of `values` that rises.
std::vector<std::size_t> longest_rising(const std::vector<std::size_t>& values) {
  std::vector<std::size_t> tails;  // index of the last value of the best run of each length
  std::vector<std::size_t> before(values.size(), SIZE_MAX);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const auto at = std::lower_bound(tails.begin(), tails.end(), values[i],
                                     [&](std::size_t t, std::size_t v) { return values[t] < v; });
    if (at != tails.begin()) before[i] = *(at - 1);
    if (at == tails.end()) {
      tails.push_back(i);
    } else {
      *at = i;
    }
  }
  std::vector<std::size_t> run;
  for (std::size_t i = tails.empty() ? SIZE_MAX : tails.back(); i != SIZE_MAX; i = before[i]) {
    run.push_back(i);
  }
  std::reverse(run.begin(), run.end());
  return run;
}

class Merge {
 public:
  Merge(const SyncTree& remote, const SyncTree& base, const LocalSide& local, NewIds& ids,
        const MergeOptions& options)
      : remote_(remote), base_(base), local_(local), ids_(ids), options_(options) {}

  MergeResult run() {
    decide();
    keep_parents();
    break_cycles();
    MergeResult result;
    result.both_changed = both_changed_;
    add_in_order("", result.tree);
    return result;
  }

 private:
  void keep(const SyncNode& node) {
    if (kept_.emplace(node.id, node).second) order_.push_back(node.id);
  }

  void decide() {
    for (const std::string& id : remote_.ids()) {
      const SyncNode* remote = remote_.find(id);
      const SyncNode* base = base_.find(id);
      if (const SyncNode* local = local_.tree.find(id)) {
        both_hold(*remote, base, *local);
      } else if (base != nullptr && local_.tracked.count(id) != 0) {
        // Deleted here: gone, unless the server changed it since.
        if (options_.keep_deleted || differs(*base, *remote)) keep(*remote);
      } else {
        keep(*remote);
      }
    }
    for (const std::string& id : local_.tree.ids()) {
      if (remote_.contains(id)) continue;
      const SyncNode* local = local_.tree.find(id);
      const SyncNode* base = base_.find(id);
      if (base == nullptr) {
        keep(*local);  // new here
      } else if (options_.keep_deleted || differs(*base, *local)) {
        // Deleted on the server, but changed here since: it stays.
        SyncNode restored = *local;
        restored.source = base->source;
        keep(restored);
      }
    }
  }

  void both_hold(const SyncNode& remote, const SyncNode* base, const SyncNode& local) {
    SyncNode merged = remote;
    if (base != nullptr) {
      bool title_clash = false;
      bool href_clash = false;
      bool parent_clash = false;
      merged.title = pick(base->title, remote.title, local.title, title_clash);
      merged.href = pick(base->href, remote.href, local.href, href_clash);
      merged.parent = pick(base->parent, remote.parent, local.parent, parent_clash);
      if (!merged.folder && (title_clash || href_clash)) {
        // Changed both ways: the server's stays, and this machine's comes beside it.
        merged.title = remote.title;
        merged.href = remote.href;
        SyncNode copy = local;
        copy.id = ids_.next();
        copy.parent = merged.parent;
        copy.source = nullptr;
        keep(merged);
        keep(copy);
        ++both_changed_;
        return;
      }
    }
    merged.bytes = merged.href == local.href ? local.bytes : remote.bytes;
    keep(merged);
  }

  [[nodiscard]] const SyncNode* anywhere(const std::string& id) const {
    if (const SyncNode* node = remote_.find(id)) return node;
    if (const SyncNode* node = local_.tree.find(id)) return node;
    return base_.find(id);
  }

  // A kept item's folder stays, or comes back, with the folders it lies in.
  void keep_parents() {
    for (std::size_t i = 0; i < order_.size(); ++i) {
      std::string child = order_[i];
      while (true) {
        const std::string parent = kept_.at(child).parent;
        if (parent.empty() || kept_.count(parent) != 0) break;
        const SyncNode* back = anywhere(parent);
        if (back == nullptr || !back->folder) {
          kept_.at(child).parent.clear();
          break;
        }
        SyncNode restored = *back;
        if (const SyncNode* base = base_.find(parent);
            base != nullptr && restored.source == nullptr) {
          restored.source = base->source;
        }
        keep(restored);
        child = parent;
      }
    }
  }

  // Folders moved into each other, one on each side: the server's places win.
  void break_cycles() {
    const std::size_t limit = kept_.size() + 1;
    for (const std::string& id : order_) {
      for (std::size_t attempt = 0; attempt < limit; ++attempt) {
        std::string at = id;
        std::size_t steps = 0;
        while (!at.empty() && steps < limit) {
          at = kept_.at(at).parent;
          ++steps;
        }
        if (at.empty()) break;
        // `at` lies on a cycle: walk it once and put one of its folders back.
        std::vector<std::string> cycle{at};
        for (std::string next = kept_.at(at).parent; next != at; next = kept_.at(next).parent) {
          cycle.push_back(next);
        }
        bool fixed = false;
        for (const std::string& member : cycle) {
          const SyncNode* remote = remote_.find(member);
          if (remote != nullptr && remote->parent != kept_.at(member).parent) {
            kept_.at(member).parent = kept_.count(remote->parent) != 0 ? remote->parent : "";
            fixed = true;
            break;
          }
        }
        if (!fixed) kept_.at(cycle.front()).parent.clear();
      }
    }
  }

  std::vector<std::string> ordered_children(const std::string& folder,
                                            const std::vector<std::string>& members) const {
    std::unordered_set<std::string> member_set(members.begin(), members.end());
    if (!folder.empty() && folder == local_.list_folder)
      return list_order(folder, member_set, members);
    std::vector<std::string> out;
    std::unordered_set<std::string> placed;
    auto take = [&](const std::vector<std::string>& ids) {
      for (const std::string& id : ids) {
        if (member_set.count(id) != 0 && placed.insert(id).second) out.push_back(id);
      }
    };
    take(remote_.children(folder));
    take(local_.tree.children(folder));
    take(members);
    return out;
  }

  std::vector<std::string> list_order(const std::string& folder,
                                      const std::unordered_set<std::string>& member_set,
                                      const std::vector<std::string>& members) const {
    const std::vector<std::string>& lines = local_.tree.children(folder);
    // The lines of the base that this machine moved: those off the longest run that
    // keeps the base's order.
    std::unordered_map<std::string, std::size_t> base_place;
    const std::vector<std::string>& base_lines = base_.children(folder);
    for (std::size_t i = 0; i < base_lines.size(); ++i) base_place[base_lines[i]] = i;
    std::vector<std::string> known;
    std::vector<std::size_t> places;
    for (const std::string& id : lines) {
      const auto found = base_place.find(id);
      if (found == base_place.end()) continue;
      known.push_back(id);
      places.push_back(found->second);
    }
    std::unordered_set<std::string> moved(known.begin(), known.end());
    for (const std::size_t i : longest_rising(places)) moved.erase(known[i]);

    std::vector<std::string> sequence;
    std::unordered_set<std::string> placed;
    for (const std::string& id : remote_.children(folder)) {
      if (member_set.count(id) != 0 && moved.count(id) == 0 && placed.insert(id).second) {
        sequence.push_back(id);
      }
    }
    // This machine's new and moved lines, each after the line it follows here.
    std::unordered_map<std::string, std::vector<std::string>> after;
    std::string anchor;
    for (const std::string& id : lines) {
      if (member_set.count(id) == 0) continue;
      if (placed.count(id) == 0) {
        after[anchor].push_back(id);
        placed.insert(id);
      }
      anchor = id;
    }
    std::vector<std::string> out;
    std::vector<std::string> pending;
    auto emit = [&](const std::string& start) {
      pending.push_back(start);
      while (!pending.empty()) {
        const std::string id = pending.back();
        pending.pop_back();
        if (!id.empty()) out.push_back(id);
        const auto found = after.find(id);
        if (found == after.end()) continue;
        for (auto it = found->second.rbegin(); it != found->second.rend(); ++it) {
          pending.push_back(*it);
        }
      }
    };
    emit("");
    for (const std::string& id : sequence) emit(id);
    for (const std::string& id : members) {
      if (placed.insert(id).second) out.push_back(id);
    }
    return out;
  }

  void add_in_order(const std::string& root, SyncTree& tree) {
    std::unordered_map<std::string, std::vector<std::string>> members;
    for (const std::string& id : order_) members[kept_.at(id).parent].push_back(id);
    std::vector<std::string> pending{root};
    while (!pending.empty()) {
      const std::string folder = pending.back();
      pending.pop_back();
      const auto found = members.find(folder);
      if (found == members.end()) continue;
      const std::vector<std::string> children = ordered_children(folder, found->second);
      for (const std::string& id : children) {
        tree.add(kept_.at(id));
        if (kept_.at(id).folder) pending.push_back(id);
      }
    }
  }

  const SyncTree& remote_;
  const SyncTree& base_;
  const LocalSide& local_;
  NewIds& ids_;
  const MergeOptions& options_;
  std::unordered_map<std::string, SyncNode> kept_;
  std::vector<std::string> order_;
  std::size_t both_changed_ = 0;
};

}  // namespace

MergeResult merge_trees(const SyncTree& remote, const SyncTree& base, const LocalSide& local,
                        NewIds& ids, const MergeOptions& options) {
  return Merge(remote, base, local, ids, options).run();
}

}  // namespace kv
