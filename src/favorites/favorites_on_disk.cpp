#include "favorites/favorites_on_disk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "bookmarks/bookmark_tree.h"
#include "desktop/file_descriptor.h"
#include "favorites/line_list_items.h"
#include "favorites/module1.h"
#include "shell/favorites_folder.h"
#include "shell/link_names.h"

namespace kv {
namespace {

constexpr std::size_t kMaxPerFolder = 100000;
constexpr int kMaxNumber = 10000;

// The folder at `path` under `root`, each step a real folder: never a symbolic link,
// never "." or "..".
Fd open_inside(const std::string& root, const std::string& path) {
  Fd at(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  std::size_t start = 0;
  while (at.valid() && start < path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(start, end - start);
    if (name.empty() || name == "." || name == "..") return Fd();
    at = Fd(::openat(at.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    start = end + 1;
  }
  return at;
}

std::string parent_of(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

bool exists_in(int at, const std::string& name) {
  struct stat info {};
  return ::fstatat(at, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

bool is_link_file(const std::string& name) {
  return name.ends_with(".url") || name.ends_with(".desktop");
}

// Writes a new link file called `name` in `at`; false when the name is taken or the
// write fails (nothing is left behind then).
bool write_new_link(int at, const std::string& name, const std::string& href) {
  const Fd fd(
      ::openat(at, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!fd.valid()) return false;
  const std::string text = internet_shortcut_text(href);
  if (::write(fd.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
      ::fsync(fd.get()) != 0) {
    ::unlinkat(at, name.c_str(), 0);
    return false;
  }
  return true;
}

// A free name in `at` for `title`: its safe name, " (2)" and on when taken.
std::optional<std::string> free_name(int at, const std::string& title, const char* fallback,
                                     const std::string& extension) {
  const std::string stem = safe_link_name(title, fallback);
  for (int n = 1; n <= kMaxNumber; ++n) {
    const std::string name = numbered_name(stem, n) + extension;
    if (!exists_in(at, name)) return name;
  }
  return std::nullopt;
}

void read_into(const std::string& root, LocalItem& folder, int depth) {
  const std::string here = folder.path.empty() ? root : root + "/" + folder.path;
  const FolderListing listing = read_favorites_folder(here, kMaxPerFolder);
  for (std::size_t i = 0; i < listing.subfolders.size(); ++i) {
    LocalItem sub{
        child_path(folder.path, listing.subfolders[i]), true, listing.subfolder_names[i], "", {}};
    // A symbolic link to a folder is not ours to sync.
    struct stat info {};
    if (::lstat((root + "/" + sub.path).c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) continue;
    if (depth < kMaxBookmarkDepth) read_into(root, sub, depth + 1);
    folder.children.push_back(std::move(sub));
  }
  for (const FolderLink& link : listing.links) {
    if (link.address.empty()) continue;
    folder.children.push_back(
        {child_path(folder.path, link.file_name), false, link.name, link.address, {}});
  }
}

}  // namespace

FavoritesOnDisk::FavoritesOnDisk(std::string folder, std::string fav_dat)
    : folder_(std::move(folder)), fav_dat_(std::move(fav_dat)) {}

LocalRead FavoritesOnDisk::read() {
  LocalRead read;
  const Fd root = open_inside(folder_, "");
  if (!root.valid()) return read;
  read_into(folder_, read.folder, 1);
  LinesRead lines;
  if (Module1::LoadListFromFile(lines, fav_dat_, true) == Module1::FileRead::kUnreadable) {
    return read;
  }
  read.list = std::move(lines.lines);
  read.ok = true;
  return read;
}

std::optional<std::string> FavoritesOnDisk::add_folder(const std::string& parent,
                                                       const std::string& title) {
  const Fd at = open_inside(folder_, parent);
  if (!at.valid()) return std::nullopt;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto name = free_name(at.get(), title, "Folder", "");
    if (!name) return std::nullopt;
    if (::mkdirat(at.get(), name->c_str(), 0700) == 0) return child_path(parent, *name);
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

std::optional<std::string> FavoritesOnDisk::add_link(const std::string& parent,
                                                     const std::string& title,
                                                     const std::string& href) {
  const Fd at = open_inside(folder_, parent);
  if (!at.valid()) return std::nullopt;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto name = free_name(at.get(), title.empty() ? href : title, "Link", ".url");
    if (!name) return std::nullopt;
    if (write_new_link(at.get(), *name, href)) return child_path(parent, *name);
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

std::optional<std::string> FavoritesOnDisk::move(const std::string& path, const std::string& parent,
                                                 const std::string& title) {
  const Fd from = open_inside(folder_, parent_of(path));
  const Fd to = open_inside(folder_, parent);
  const std::string name(path_name(path));
  if (!from.valid() || !to.valid() || name.empty() || name == "." || name == "..") {
    return std::nullopt;
  }
  struct stat info {};
  if (::fstatat(from.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  const bool folder = S_ISDIR(info.st_mode);
  if (!folder && !(S_ISREG(info.st_mode) && is_link_file(name))) return std::nullopt;
  // A link keeps its kind of file; a title that the name no longer shows names it anew.
  const std::string extension = folder ? "" : name.substr(name.rfind('.'));
  const std::string stem = safe_link_name(title, folder ? "Folder" : "Link");
  const bool same_folder = parent == parent_of(path);
  std::string wanted = stem + extension;
  // Its own name, numbered or not, is as good as any free one.
  for (int n = 2; !(same_folder && wanted == name) && exists_in(to.get(), wanted); ++n) {
    if (n > kMaxNumber) return std::nullopt;
    wanted = numbered_name(stem, n) + extension;
  }
  if (same_folder && wanted == name) return path;
  // Never over anything that is there.
  if (::renameat2(from.get(), name.c_str(), to.get(), wanted.c_str(), RENAME_NOREPLACE) != 0) {
    return std::nullopt;
  }
  return child_path(parent, wanted);
}

std::optional<std::string> FavoritesOnDisk::set_address(const std::string& path,
                                                        const std::string& href) {
  const Fd at = open_inside(folder_, parent_of(path));
  const std::string name(path_name(path));
  if (!at.valid() || !is_link_file(name)) return std::nullopt;
  struct stat info {};
  if (::fstatat(at.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISREG(info.st_mode)) {
    return std::nullopt;
  }
  // The new file is written beside the old one and takes its place whole.
  const std::string stem = name.substr(0, name.rfind('.'));
  const std::string fresh = "." + stem + ".url.syncing";
  ::unlinkat(at.get(), fresh.c_str(), 0);
  if (!write_new_link(at.get(), fresh, href)) return std::nullopt;
  const std::string target = stem + ".url";
  if (target != name && exists_in(at.get(), target)) {
    ::unlinkat(at.get(), fresh.c_str(), 0);
    return std::nullopt;
  }
  if (::renameat(at.get(), fresh.c_str(), at.get(), target.c_str()) != 0) {
    ::unlinkat(at.get(), fresh.c_str(), 0);
    return std::nullopt;
  }
  if (target != name) ::unlinkat(at.get(), name.c_str(), 0);
  return child_path(parent_of(path), target);
}

bool FavoritesOnDisk::remove(const std::string& path) {
  const Fd at = open_inside(folder_, parent_of(path));
  const std::string name(path_name(path));
  if (!at.valid() || name.empty() || name == "." || name == "..") return false;
  struct stat info {};
  if (::fstatat(at.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
  if (S_ISDIR(info.st_mode)) {
    // A folder that still holds something of the user's stays.
    return ::unlinkat(at.get(), name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOTEMPTY ||
           errno == EEXIST;
  }
  if (!S_ISREG(info.st_mode) || !is_link_file(name)) return false;
  return ::unlinkat(at.get(), name.c_str(), 0) == 0;
}

bool FavoritesOnDisk::write_list(const std::vector<std::string>& lines,
                                 const std::vector<std::string>& was) {
  // The favourites window of a running browser may have written the file since.
  LinesRead now;
  if (Module1::LoadListFromFile(now, fav_dat_, true) == Module1::FileRead::kUnreadable) {
    return false;
  }
  if (now.lines.size() != was.size()) return false;
  for (std::size_t i = 0; i < was.size(); ++i) {
    if (now.lines[i].bytes != was[i]) return false;
  }
  return Module1::SaveListToFile(LinesToWrite(lines), fav_dat_);
}

std::string FavoritesOnDisk::list_text(std::string_view bytes) {
  return line_text(bytes);
}

}  // namespace kv
