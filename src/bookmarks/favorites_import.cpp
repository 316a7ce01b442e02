#include "bookmarks/favorites_import.h"

#include <dirent.h>
#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <unordered_set>

#include "desktop/file_descriptor.h"
#include "shell/favorites_folder.h"
#include "shell/link_names.h"

namespace kv {
namespace {

constexpr std::size_t kMaxAddressBytes = 64 * 1024;
constexpr std::size_t kMaxLinkFileBytes = 16 * 1024;
constexpr int kMaxNumber = 10000;

struct DirCloser {
  void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};

Fd open_folder(int at, const char* name) {
  return Fd(::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

bool is_folder(int at, const std::string& name) {
  struct stat info {};
  return ::fstatat(at, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode);
}

// The address of a regular link file in `at`; "" for anything else.
std::string link_address(int at, const char* name) {
  const Fd fd(::openat(at, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  struct stat info {};
  if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return "";
  std::string text(kMaxLinkFileBytes, '\0');
  const ssize_t got = ::read(fd.get(), text.data(), text.size());
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  if (auto address = internet_shortcut_address(text)) return *address;
  if (auto link = desktop_link(text)) return link->address;
  return "";
}

// Every address in the folder tree at `folder`, to `depth` levels.
void collect_addresses(Fd folder, int depth, std::unordered_set<std::string>& addresses) {
  const int copy = ::dup(folder.get());
  if (copy < 0) return;
  const std::unique_ptr<DIR, DirCloser> dir(::fdopendir(copy));
  if (!dir) {
    ::close(copy);
    return;
  }
  while (const dirent* entry = ::readdir(dir.get())) {
    if (entry->d_name[0] == '.') continue;
    if (Fd sub = open_folder(folder.get(), entry->d_name); sub.valid()) {
      if (depth > 0) collect_addresses(std::move(sub), depth - 1, addresses);
    } else if (std::string address = link_address(folder.get(), entry->d_name); !address.empty()) {
      addresses.insert(std::move(address));
    }
  }
}

// The tree as it will be written: only new links with usable addresses, no empty folders.
Bookmark pruned(const Bookmark& folder, const std::unordered_set<std::string>& known,
                ImportSummary& summary) {
  Bookmark kept{folder.title, "", true, {}};
  for (const Bookmark& child : folder.children) {
    if (child.folder) {
      if (child.children.empty()) {
        ++summary.empty_folders;
        continue;
      }
      Bookmark sub = pruned(child, known, summary);
      if (!sub.children.empty()) kept.children.push_back(std::move(sub));
      continue;
    }
    std::string kind;
    if (!importable_address(child.address, kind)) {
      ++summary.skipped[kind];
    } else if (known.contains(child.address)) {
      ++summary.already_there;
    } else {
      kept.children.push_back(child);
    }
  }
  return kept;
}

class Writer {
 public:
  Writer(ImportSummary& summary, std::atomic<std::size_t>* done) : summary_(summary), done_(done) {}

  void write_folder(int at, const Bookmark& folder) {
    std::unordered_set<std::string> taken;  // names given in this run, in this folder
    for (const Bookmark& child : folder.children) {
      if (child.folder) {
        Fd sub = make_folder(at, safe_link_name(child.title, "Folder"), taken);
        if (sub.valid()) {
          ++summary_.folders;
          write_folder(sub.get(), child);
        } else {
          summary_.failed += count_bookmarks(child).links;
        }
      } else {
        write_link(at, child, taken);
        if (done_ != nullptr) done_->fetch_add(1, std::memory_order_relaxed);
      }
    }
  }

  // A folder of that name made now, or one that was there before this run.
  static Fd make_folder(int at, const std::string& stem, std::unordered_set<std::string>& taken) {
    for (int n = 1; n <= kMaxNumber; ++n) {
      const std::string name = numbered_name(stem, n);
      if (taken.contains(name)) continue;
      if (::mkdirat(at, name.c_str(), 0700) != 0) {
        if (errno != EEXIST) return Fd();
        if (!is_folder(at, name)) continue;  // a file, or a link we do not follow
      }
      taken.insert(name);
      return open_folder(at, name.c_str());
    }
    return Fd();
  }

 private:
  void write_link(int at, const Bookmark& link, std::unordered_set<std::string>& taken) {
    const std::string stem = safe_link_name(link.title.empty() ? link.address : link.title, "Link");
    const std::string text = internet_shortcut_text(link.address);
    for (int n = 1; n <= kMaxNumber; ++n) {
      const std::string name = numbered_name(stem, n) + ".url";
      if (taken.contains(name)) continue;
      const Fd fd(
          ::openat(at, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
      if (!fd.valid()) {
        if (errno == EEXIST) continue;
        break;
      }
      taken.insert(name);
      if (::write(fd.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        ::unlinkat(at, name.c_str(), 0);
        break;
      }
      ++summary_.imported;
      summary_.addresses.push_back(link.address);
      return;
    }
    ++summary_.failed;
  }

  ImportSummary& summary_;
  std::atomic<std::size_t>* done_;
};

}  // namespace

std::string import_folder_name(const std::string& source_name, const std::string& date) {
  return safe_link_name("Imported from " + source_name + " " + date, "Imported");
}

bool importable_address(const std::string& address, std::string& kind) {
  const bool one_line = std::none_of(address.begin(), address.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  });
  const char* scheme = g_uri_peek_scheme(address.c_str());
  if (scheme == nullptr || !one_line || address.size() > kMaxAddressBytes ||
      g_utf8_validate(address.data(), static_cast<gssize>(address.size()), nullptr) == FALSE) {
    kind = "no usable address";
    return false;
  }
  kind = scheme;
  return kind == "http" || kind == "https" || kind == "ftp" || kind == "file";
}

ImportSummary import_bookmarks(const Bookmark& root, const std::string& favorites_folder,
                               const std::string& source_name, const std::string& date,
                               std::atomic<std::size_t>* done) {
  ImportSummary summary;
  const Fd top = open_folder(AT_FDCWD, favorites_folder.c_str());
  if (!top.valid()) {
    summary.message = "The favourites folder cannot be opened.";
    return summary;
  }
  // What earlier imports of this source brought in, wherever they went.
  const std::string earlier = "Imported from " + safe_link_name(source_name, "") + " ";
  std::unordered_set<std::string> known;
  {
    const int copy = ::dup(top.get());
    const std::unique_ptr<DIR, DirCloser> dir(copy >= 0 ? ::fdopendir(copy) : nullptr);
    if (!dir && copy >= 0) ::close(copy);
    while (dir) {
      const dirent* entry = ::readdir(dir.get());
      if (entry == nullptr) break;
      if (!std::string_view(entry->d_name).starts_with(earlier)) continue;
      if (Fd sub = open_folder(top.get(), entry->d_name); sub.valid()) {
        collect_addresses(std::move(sub), kMaxBookmarkDepth + 1, known);
      }
    }
  }
  const Bookmark kept = pruned(root, known, summary);
  summary.ok = true;
  summary.folder_name = import_folder_name(source_name, date);
  if (kept.children.empty()) return summary;

  // The day's folder: a second import that day adds to it.
  std::unordered_set<std::string> taken;
  const Fd folder = Writer::make_folder(top.get(), summary.folder_name, taken);
  if (!folder.valid()) {
    summary.ok = false;
    summary.message = "A folder cannot be made in the favourites folder.";
    return summary;
  }
  summary.folder_name = *taken.begin();
  Writer(summary, done).write_folder(folder.get(), kept);
  return summary;
}

}  // namespace kv
