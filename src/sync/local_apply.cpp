#include "sync/local_apply.h"

#include <algorithm>
#include <unordered_set>

#include "bookmarks/bookmark_tree.h"
#include "sync/list_lines.h"

namespace kv {
namespace {

// A link file keeps one line, trimmed.
bool fits_link(const std::string& href) {
  if (href.empty() || href.find_first_of("\r\n") != std::string::npos) return false;
  const char first = href.front();
  const char last = href.back();
  return first != ' ' && first != '\t' && last != ' ' && last != '\t';
}

// An item of the favourites folder, not of the list.
bool in_folder_part(const SyncTree& merged, const std::string& id, const std::string& list) {
  if (list.empty()) return true;
  return id != list && !merged.inside(id, list);
}

// Moves what was under `from` to under `to` in `paths`.
void rebase(std::unordered_map<std::string, std::string>& paths, const std::string& from,
            const std::string& to) {
  const std::string prefix = from + "/";
  for (auto& [id, path] : paths) {
    if (path == from) {
      path = to;
    } else if (path.starts_with(prefix)) {
      path = to + path.substr(from.size());
    }
  }
}

std::size_t slashes(const std::string& path) {
  return static_cast<std::size_t>(std::count(path.begin(), path.end(), '/'));
}

}  // namespace

bool held_here(const SyncTree& merged, const std::string& id, const std::string& list_folder) {
  const SyncNode* node = merged.find(id);
  if (node == nullptr) return false;
  if (!list_folder.empty() && node->parent == list_folder) {
    return !node->folder && fits_list_line(node->bytes);
  }
  if (!in_folder_part(merged, id, list_folder)) return false;
  if (merged.depth(id) > kMaxBookmarkDepth) return false;
  return node->folder || fits_link(node->href);
}

std::vector<SyncNode> local_removals(const SyncTree& merged, const LocalSide& local) {
  std::vector<SyncNode> removed;
  for (const std::string& id : local.tree.ids()) {
    const SyncNode* node = local.tree.find(id);
    if (node->folder) continue;
    if (!held_here(merged, id, local.list_folder)) removed.push_back(*node);
  }
  return removed;
}

bool changes_here(const SyncTree& merged, const LocalSide& local) {
  const std::string& list = local.list_folder;
  std::size_t held = 0;
  for (const std::string& id : merged.ids()) {
    if (!in_folder_part(merged, id, list) || !held_here(merged, id, list)) continue;
    ++held;
    const SyncNode* now = local.paths.count(id) != 0 ? local.tree.find(id) : nullptr;
    const SyncNode* wanted = merged.find(id);
    if (now == nullptr || now->parent != wanted->parent || now->title != wanted->title ||
        now->href != wanted->href) {
      return true;
    }
  }
  if (held != local.paths.size()) return true;
  std::vector<std::string> lines;
  if (merged.contains(list)) {
    for (const std::string& id : merged.children(list)) {
      if (held_here(merged, id, list)) lines.push_back(merged.find(id)->bytes);
    }
  }
  std::vector<std::string> old_lines;
  if (!list.empty()) {
    for (const std::string& id : local.tree.children(list)) {
      old_lines.push_back(local.tree.find(id)->bytes);
    }
  }
  return lines != old_lines;
}

LocalChanges apply_locally(const SyncTree& merged, const LocalSide& local,
                           LocalFavorites& favorites) {
  LocalChanges changes;
  const std::string& list = local.list_folder;
  std::unordered_map<std::string, std::string> now = local.paths;

  // Parents first, so that each item's folder is there before it.
  std::unordered_set<std::string> kept;
  for (const std::string& id : merged.ids()) {
    if (!in_folder_part(merged, id, list) || !held_here(merged, id, list)) continue;
    const SyncNode* node = merged.find(id);
    const SyncNode* was = local.paths.count(id) != 0 ? local.tree.find(id) : nullptr;
    std::string parent_path;
    if (!node->parent.empty()) {
      const auto parent = now.find(node->parent);
      if (parent == now.end() || kept.count(node->parent) == 0) {
        // Its folder could not be made: what is here stays where it is.
        if (was != nullptr) kept.insert(id);
        changes.ok = false;
        continue;
      }
      parent_path = parent->second;
    }
    if (was == nullptr) {
      const auto made = node->folder ? favorites.add_folder(parent_path, node->title)
                                     : favorites.add_link(parent_path, node->title, node->href);
      if (!made) {
        changes.ok = false;
        continue;
      }
      now[id] = *made;
      if (!node->folder) ++changes.added;
      kept.insert(id);
      continue;
    }
    kept.insert(id);
    if (node->parent != was->parent || node->title != was->title) {
      const auto moved = favorites.move(now.at(id), parent_path, node->title);
      if (moved) {
        rebase(now, now.at(id), *moved);
        ++changes.changed;
      } else {
        changes.ok = false;
      }
    }
    if (!node->folder && node->href != was->href) {
      const auto readdressed = favorites.set_address(now.at(id), node->href);
      if (readdressed) {
        now[id] = *readdressed;
        ++changes.changed;
      } else {
        changes.ok = false;
      }
    }
  }

  // What the favourites folder no longer holds: links first, then folders from the
  // deepest up.
  std::vector<std::string> gone_folders;
  for (const auto& [id, path] : local.paths) {
    if (kept.count(id) != 0) continue;
    if (local.tree.find(id)->folder) {
      gone_folders.push_back(id);
    } else if (favorites.remove(now.at(id))) {
      ++changes.removed;
      now.erase(id);
    } else {
      changes.ok = false;
    }
  }
  std::sort(gone_folders.begin(), gone_folders.end(),
            [&](const auto& a, const auto& b) { return slashes(now.at(a)) > slashes(now.at(b)); });
  for (const std::string& id : gone_folders) {
    if (favorites.remove(now.at(id))) {
      now.erase(id);
    } else {
      changes.ok = false;
    }
  }

  // The list, whole.
  std::vector<std::string> lines;
  std::vector<std::string>& line_ids = changes.locations.list;
  if (merged.contains(list)) {
    for (const std::string& id : merged.children(list)) {
      if (!held_here(merged, id, list)) continue;
      line_ids.push_back(id);
      lines.push_back(merged.find(id)->bytes);
    }
  }
  std::vector<std::string> old_lines;
  static const std::vector<std::string> kNoLines;
  const std::vector<std::string>& old_ids = list.empty() ? kNoLines : local.tree.children(list);
  for (const std::string& id : old_ids) old_lines.push_back(local.tree.find(id)->bytes);
  if (lines != old_lines && !favorites.write_list(lines, old_lines)) {
    changes.ok = false;
    line_ids = old_ids;
  } else {
    const std::unordered_set<std::string> before(old_ids.begin(), old_ids.end());
    const std::unordered_set<std::string> after(line_ids.begin(), line_ids.end());
    for (const std::string& id : line_ids) changes.added += before.count(id) == 0 ? 1 : 0;
    for (const std::string& id : old_ids) changes.removed += after.count(id) == 0 ? 1 : 0;
  }

  for (const std::string& id : kept) changes.locations.paths[id] = now.at(id);
  if (merged.contains(list)) changes.locations.list_folder = list;
  return changes;
}

}  // namespace kv
