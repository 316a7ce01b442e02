#include "sync/local_match.h"

#include <algorithm>
#include <deque>
#include <optional>

#include "sync/list_lines.h"

namespace kv {

std::string_view path_name(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string child_path(std::string_view parent, std::string_view name) {
  if (parent.empty()) return std::string(name);
  std::string path(parent);
  path += '/';
  path += name;
  return path;
}

namespace {

std::string_view parent_of(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

class Matcher {
 public:
  Matcher(const SyncTree& base, const SyncLocations& was) : base_(base), was_(was) {
    for (const auto& [id, path] : was.paths) {
      if (!base.contains(id)) continue;
      path_to_id_[path] = id;
      names_under_[std::string(parent_of(path))].push_back(std::string(path_name(path)));
    }
  }

  void match(const LocalItem& root) {
    by_names(root, std::string());
    for (const auto& [id, path] : was_.paths) {
      const SyncNode* node = base_.find(id);
      if (node != nullptr && node->folder && used_.count(id) == 0) gone_folders_.push_back(id);
    }
    std::sort(gone_folders_.begin(), gone_folders_.end());
    if (!gone_folders_.empty()) moved_folders(root);
    moved_links(root);
  }

  [[nodiscard]] const std::string* matched(const LocalItem& item) const {
    const auto found = matched_.find(&item);
    return found != matched_.end() ? &found->second : nullptr;
  }

 private:
  bool try_match(const LocalItem& item, const std::string& id) {
    const SyncNode* node = base_.find(id);
    if (node == nullptr || node->folder != item.folder || used_.count(id) != 0) return false;
    used_.insert(id);
    matched_[&item] = id;
    return true;
  }

  // Items found at the paths where the last sync left them under `base_path`.
  void by_names(const LocalItem& folder, const std::optional<std::string>& base_path) {
    for (const LocalItem& child : folder.children) {
      if (matched(child) == nullptr && base_path) {
        const auto found = path_to_id_.find(child_path(*base_path, path_name(child.path)));
        if (found != path_to_id_.end()) try_match(child, found->second);
      }
      if (!child.folder) continue;
      const std::string* id = matched(child);
      by_names(child,
               id != nullptr ? std::optional<std::string>(was_.paths.at(*id)) : std::nullopt);
    }
  }

  // A folder that is not where it was is the gone one that held most of its names.
  void moved_folders(const LocalItem& folder) {
    for (const LocalItem& child : folder.children) {
      if (!child.folder) continue;
      if (matched(child) == nullptr) {
        std::string best;
        std::size_t best_score = 0;
        for (const std::string& id : gone_folders_) {
          if (used_.count(id) != 0) continue;
          const std::string& path = was_.paths.at(id);
          const std::size_t score = common_names(child, path);
          const auto there = names_under_.find(path);
          const std::size_t held = there != names_under_.end() ? there->second.size() : 0;
          if (score > best_score && 2 * score >= std::min(child.children.size(), held)) {
            best = id;
            best_score = score;
          }
        }
        if (!best.empty() && try_match(child, best)) by_names(child, was_.paths.at(best));
      }
      moved_folders(child);
    }
  }

  std::size_t common_names(const LocalItem& folder, const std::string& base_path) const {
    const auto there = names_under_.find(base_path);
    if (there == names_under_.end()) return 0;
    std::size_t common = 0;
    for (const LocalItem& child : folder.children) {
      const std::string_view name = path_name(child.path);
      if (std::find(there->second.begin(), there->second.end(), name) != there->second.end()) {
        ++common;
      }
    }
    return common;
  }

  // A link that is not where it was is a gone one of the same address, of the same
  // name if there is one.
  void moved_links(const LocalItem& root) {
    std::unordered_map<std::string, std::vector<std::string>> gone_by_address;
    for (const auto& [id, path] : was_.paths) {
      const SyncNode* node = base_.find(id);
      if (node != nullptr && !node->folder && used_.count(id) == 0) {
        gone_by_address[node->href].push_back(id);
      }
    }
    if (gone_by_address.empty()) return;
    std::vector<const LocalItem*> pending{&root};
    while (!pending.empty()) {
      const LocalItem* folder = pending.back();
      pending.pop_back();
      for (const LocalItem& child : folder->children) {
        if (child.folder) {
          pending.push_back(&child);
          continue;
        }
        if (matched(child) != nullptr) continue;
        const auto found = gone_by_address.find(child.href);
        if (found == gone_by_address.end()) continue;
        std::vector<std::string>& ids = found->second;
        std::erase_if(ids, [this](const std::string& id) { return used_.count(id) != 0; });
        auto same_name = std::find_if(ids.begin(), ids.end(), [&](const std::string& id) {
          return path_name(was_.paths.at(id)) == path_name(child.path);
        });
        if (same_name == ids.end()) same_name = ids.begin();
        if (same_name != ids.end()) try_match(child, *same_name);
      }
    }
  }

  const SyncTree& base_;
  const SyncLocations& was_;
  std::unordered_map<std::string, std::string> path_to_id_;
  std::unordered_map<std::string, std::vector<std::string>> names_under_;
  std::unordered_set<std::string> used_;
  std::unordered_map<const LocalItem*, std::string> matched_;
  std::vector<std::string> gone_folders_;
};

void add_folder_part(const LocalItem& folder, const std::string& parent, const Matcher& matcher,
                     const SyncTree& base, const SyncLocations& was, NewIds& ids, LocalSide& side) {
  for (const LocalItem& child : folder.children) {
    const std::string* known = matcher.matched(child);
    const std::string id = known != nullptr ? *known : ids.next();
    std::string title = child.title;
    // A name that the last sync gave stands for the title it was given for.
    if (known != nullptr && path_name(was.paths.at(id)) == path_name(child.path)) {
      title = base.find(id)->title;
    }
    side.tree.add({id, parent, child.folder, title, child.folder ? "" : child.href, "", nullptr});
    side.paths[id] = child.path;
    if (child.folder) add_folder_part(child, id, matcher, base, was, ids, side);
  }
}

void add_list(const std::vector<ListEntry>& list, const SyncTree& base, const SyncLocations& was,
              NewIds& ids, LocalSide& side) {
  const SyncNode* folder = base.find(was.list_folder);
  if (folder != nullptr && folder->folder) {
    side.list_folder = folder->id;
    const std::string parent = side.tree.contains(folder->parent) ? folder->parent : "";
    side.tree.add({folder->id, parent, true, folder->title, "", "", nullptr});
  } else if (!list.empty()) {
    side.list_folder = ids.next();
    side.tree.add({side.list_folder, "", true, kListFolderTitle, "", "", nullptr});
  } else {
    return;
  }
  // The lines as they were written, by their bytes and by their text.
  std::unordered_map<std::string, std::deque<std::string>> by_bytes;
  std::unordered_map<std::string, std::deque<std::string>> by_text;
  for (const std::string& id : was.list) {
    const SyncNode* node = base.find(id);
    if (node == nullptr || node->folder || node->parent != side.list_folder) continue;
    by_bytes[node->bytes].push_back(id);
  }
  std::vector<std::string> line_ids(list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    auto found = by_bytes.find(list[i].bytes);
    if (found == by_bytes.end() || found->second.empty()) continue;
    line_ids[i] = found->second.front();
    found->second.pop_front();
  }
  for (const auto& [bytes, left] : by_bytes) {
    for (const std::string& id : left) by_text[base.find(id)->href].push_back(id);
  }
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string text = xbel_text(list[i].text);
    if (line_ids[i].empty()) {
      auto found = by_text.find(text);
      if (found != by_text.end() && !found->second.empty()) {
        line_ids[i] = found->second.front();
        found->second.pop_front();
      }
    }
    if (line_ids[i].empty()) {
      side.tree.add({ids.next(), side.list_folder, false, text, text, list[i].bytes, nullptr});
    } else {
      const SyncNode* node = base.find(line_ids[i]);
      side.tree.add(
          {node->id, side.list_folder, false, node->title, node->href, list[i].bytes, nullptr});
    }
  }
}

}  // namespace

LocalSide match_local(const LocalRead& local, const SyncTree& base, const SyncLocations& was,
                      NewIds& ids) {
  LocalSide side;
  Matcher matcher(base, was);
  matcher.match(local.folder);
  add_folder_part(local.folder, "", matcher, base, was, ids, side);
  add_list(local.list, base, was, ids, side);
  for (const auto& [id, path] : was.paths) {
    if (base.contains(id)) side.tracked.insert(id);
  }
  for (const std::string& id : was.list) {
    if (base.contains(id)) side.tracked.insert(id);
  }
  if (base.contains(was.list_folder)) side.tracked.insert(was.list_folder);
  return side;
}

}  // namespace kv
