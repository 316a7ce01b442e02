#include "sync/local_restore.h"

#include <algorithm>
#include <unordered_map>

namespace kv {
namespace {

void index(const LocalItem& folder, std::unordered_map<std::string, const LocalItem*>& by_path) {
  for (const LocalItem& child : folder.children) {
    by_path[child.path] = &child;
    if (child.folder) index(child, by_path);
  }
}

std::size_t depth(const std::string& path) {
  return static_cast<std::size_t>(std::count(path.begin(), path.end(), '/'));
}

}  // namespace

bool restore_favorites(LocalFavorites& favorites, const LocalRead& wanted) {
  const LocalRead now = favorites.read();
  if (!now.ok) return false;
  std::unordered_map<std::string, const LocalItem*> had;
  std::unordered_map<std::string, const LocalItem*> has;
  index(wanted.folder, had);
  index(now.folder, has);
  bool ok = true;

  // What the backup did not hold goes: links first, then folders from the deepest up.
  std::vector<std::string> gone;
  for (const auto& [path, item] : has) {
    const auto was = had.find(path);
    if (was == had.end() || was->second->folder != item->folder) gone.push_back(path);
  }
  std::sort(gone.begin(), gone.end(), [&](const std::string& a, const std::string& b) {
    const bool a_folder = has.at(a)->folder;
    const bool b_folder = has.at(b)->folder;
    if (a_folder != b_folder) return !a_folder;
    return depth(a) > depth(b);
  });
  for (const std::string& path : gone) ok = favorites.remove(path) && ok;

  // What it held comes back where it was, folders before what they hold.
  std::unordered_map<std::string, std::string> made;  // the backup's path -> the one made now
  std::vector<const LocalItem*> pending{&wanted.folder};
  while (!pending.empty()) {
    const LocalItem* folder = pending.back();
    pending.pop_back();
    const auto parent = made.find(folder->path);
    const std::string parent_path = parent != made.end() ? parent->second : folder->path;
    for (const LocalItem& child : folder->children) {
      const auto there = has.find(child.path);
      const bool kept = there != has.end() && there->second->folder == child.folder &&
                        parent_path == folder->path;
      if (kept) {
        if (!child.folder && there->second->href != child.href) {
          ok = favorites.set_address(child.path, child.href).has_value() && ok;
        }
      } else {
        const auto path = child.folder ? favorites.add_folder(parent_path, child.title)
                                       : favorites.add_link(parent_path, child.title, child.href);
        if (path) {
          made[child.path] = *path;
        } else {
          ok = false;
          continue;
        }
      }
      if (child.folder) pending.push_back(&child);
    }
  }

  std::vector<std::string> lines;
  for (const ListEntry& line : wanted.list) lines.push_back(line.bytes);
  std::vector<std::string> current;
  for (const ListEntry& line : now.list) current.push_back(line.bytes);
  if (lines != current) ok = favorites.write_list(lines, current) && ok;
  return ok;
}

}  // namespace kv
