#include "memory_favorites.h"

#include <glib.h>

#include <algorithm>

#include "desktop/glib_handles.h"

namespace kv::test {
namespace {

std::string parent_of(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string title_of(const std::string& path, bool folder) {
  std::string name(path_name(path));
  if (!folder && name.ends_with(".url")) name.resize(name.size() - 4);
  return name;
}

void build(const std::map<std::string, MemoryFavorites::Entry>& entries, LocalItem& folder) {
  const std::string prefix = folder.path.empty() ? "" : folder.path + "/";
  for (bool folders : {true, false}) {
    for (const auto& [path, entry] : entries) {
      if (entry.folder != folders || parent_of(path) != folder.path) continue;
      LocalItem item{path, entry.folder, title_of(path, entry.folder), entry.href, {}};
      if (entry.folder) build(entries, item);
      folder.children.push_back(std::move(item));
    }
  }
}

}  // namespace

LocalRead MemoryFavorites::read() {
  LocalRead read;
  read.ok = readable;
  build(entries, read.folder);
  for (const std::string& line : list) read.list.push_back({line, list_text(line)});
  return read;
}

std::string MemoryFavorites::free_name(const std::string& parent, std::string name,
                                       const std::string& extension,
                                       const std::string& except) const {
  std::string safe;
  for (const char c : name) safe += c == '/' ? std::string("\xE2\x88\x95") : std::string(1, c);
  if (safe.empty()) safe = "Untitled";
  for (int n = 1;; ++n) {
    const std::string candidate =
        child_path(parent, (n == 1 ? safe : safe + " (" + std::to_string(n) + ")") + extension);
    if (candidate == except || entries.count(candidate) == 0) return candidate;
  }
}

std::optional<std::string> MemoryFavorites::add_folder(const std::string& parent,
                                                       const std::string& title) {
  if (failing || (!parent.empty() && entries.count(parent) == 0)) return std::nullopt;
  const std::string path = free_name(parent, title, "");
  entries[path] = {true, ""};
  ++changes;
  return path;
}

std::optional<std::string> MemoryFavorites::add_link(const std::string& parent,
                                                     const std::string& title,
                                                     const std::string& href) {
  if (failing || (!parent.empty() && entries.count(parent) == 0)) return std::nullopt;
  const std::string path = free_name(parent, title, ".url");
  entries[path] = {false, href};
  ++changes;
  return path;
}

std::optional<std::string> MemoryFavorites::move(const std::string& path, const std::string& parent,
                                                 const std::string& title) {
  const auto found = entries.find(path);
  if (failing || found == entries.end()) return std::nullopt;
  const std::string to = free_name(parent, title, found->second.folder ? "" : ".url", path);
  rename(path, to);
  ++changes;
  return to;
}

std::optional<std::string> MemoryFavorites::set_address(const std::string& path,
                                                        const std::string& href) {
  const auto found = entries.find(path);
  if (failing || found == entries.end()) return std::nullopt;
  found->second.href = href;
  ++changes;
  return path;
}

bool MemoryFavorites::remove(const std::string& path) {
  if (failing) return false;
  for (const auto& [other, entry] : entries) {
    if (other.starts_with(path + "/")) return true;  // not empty: left as it is
  }
  entries.erase(path);
  ++changes;
  return true;
}

bool MemoryFavorites::write_list(const std::vector<std::string>& lines,
                                 const std::vector<std::string>& was) {
  if (failing || list != was) return false;
  list = lines;
  ++changes;
  return true;
}

std::string MemoryFavorites::list_text(std::string_view bytes) {
  if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) {
    return std::string(bytes);
  }
  return take_string(g_convert(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8",
                               "ISO-8859-1", nullptr, nullptr, nullptr));
}

void MemoryFavorites::rename(const std::string& from, const std::string& to) {
  std::map<std::string, Entry> moved;
  for (auto it = entries.begin(); it != entries.end();) {
    if (it->first == from || it->first.starts_with(from + "/")) {
      moved[to + it->first.substr(from.size())] = it->second;
      it = entries.erase(it);
    } else {
      ++it;
    }
  }
  entries.insert(moved.begin(), moved.end());
}

void MemoryFavorites::erase(const std::string& path) {
  std::erase_if(entries, [&](const auto& entry) {
    return entry.first == path || entry.first.starts_with(path + "/");
  });
}

std::string MemoryFavorites::outline() const {
  std::string out;
  for (const auto& [path, entry] : entries) {
    const auto depth = static_cast<std::size_t>(std::count(path.begin(), path.end(), '/'));
    out += std::string(depth * 2, ' ') + std::string(path_name(path));
    out += entry.folder ? "/\n" : " <" + entry.href + ">\n";
  }
  out += "list:";
  for (const std::string& line : list) out += " " + line + " |";
  return out;
}

}  // namespace kv::test
