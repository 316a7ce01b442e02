#include "bookmarks/bookmark_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {

BookmarkCount count_bookmarks(const Bookmark& root) {
  BookmarkCount count;
  std::vector<const Bookmark*> pending{&root};
  while (!pending.empty()) {
    const Bookmark* folder = pending.back();
    pending.pop_back();
    for (const Bookmark& child : folder->children) {
      if (child.folder) {
        ++count.folders;
        pending.push_back(&child);
      } else {
        ++count.links;
      }
    }
  }
  return count;
}

bool read_bookmark_file(const std::string& path, std::string& text, std::string& message) {
  // Opened without blocking (a FIFO) and checked once open, as it may have been swapped.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    message = "The file cannot be opened.";
    return false;
  }
  struct stat info {};
  bool ok = false;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    message = "This is not a file.";
  } else if (static_cast<std::size_t>(info.st_size) > kMaxBookmarkFileBytes) {
    message = kTooLarge;
  } else {
    text.assign(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t filled = 0;
    ok = true;
    while (filled < text.size()) {
      const ssize_t got = ::read(fd, text.data() + filled, text.size() - filled);
      if (got < 0) {
        ok = false;
        message = "The file cannot be read.";
        break;
      }
      if (got == 0) break;  // it shrank meanwhile: what is there is read
      filled += static_cast<std::size_t>(got);
    }
    text.resize(filled);
  }
  ::close(fd);
  return ok;
}

}  // namespace kv
