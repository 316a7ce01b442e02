#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "favorites/entry_text.h"
#include "favorites/list_items.h"
#include "favorites/module1.h"

namespace kv::Module1 {
namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20U;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor(FileDescriptor&&) = delete;
  FileDescriptor& operator=(FileDescriptor&&) = delete;
  ~FileDescriptor() { ::close(fd_); }
  [[nodiscard]] int get() const { return fd_; }

 private:
  int fd_;
};

class Bulk {
 public:
  explicit Bulk(ListItems& list) : list_(list) { list_.begin_bulk(); }
  Bulk(const Bulk&) = delete;
  Bulk& operator=(const Bulk&) = delete;
  Bulk(Bulk&&) = delete;
  Bulk& operator=(Bulk&&) = delete;
  ~Bulk() { list_.end_bulk(); }

 private:
  ListItems& list_;
};

// Appends one line, given without its LF.
void add_line(ListItems& list, std::string_view line, std::string& scratch) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  list.add_item(entry_text(line, scratch));
}

FileRead read_lines(int fd, ListItems& list, bool clear_first) {
  const Bulk bulk(list);
  if (clear_first) list.clear();
  std::vector<char> buffer(kChunk);
  std::string pending;  // a line that runs on into the next chunk
  std::string scratch;
  bool at_start = true;
  while (true) {
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      return FileRead::kUnreadable;
    }
    if (got == 0) break;
    std::string_view chunk(buffer.data(), static_cast<std::size_t>(got));
    if (at_start) {
      // Editors of this desktop may put a byte-order mark in front; it is no text.
      if (chunk.starts_with(kUtf8Bom)) chunk.remove_prefix(kUtf8Bom.size());
      at_start = false;
    }
    while (!chunk.empty()) {
      const std::size_t end = chunk.find('\n');
      if (end == std::string_view::npos) {
        pending.append(chunk);
        break;
      }
      if (pending.empty()) {
        add_line(list, chunk.substr(0, end), scratch);
      } else {
        pending.append(chunk.substr(0, end));
        add_line(list, pending, scratch);
        pending.clear();
      }
      chunk.remove_prefix(end + 1);
    }
  }
  // A last line without its line end.
  if (!pending.empty()) add_line(list, pending, scratch);
  return FileRead::kRead;
}

}  // namespace

FileRead LoadListFromFile(ListItems& list, const std::string& path, bool clearFirst) {
  // Not blocking, so that a pipe in the file's place cannot hang the load.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? FileRead::kMissing : FileRead::kUnreadable;
  const FileDescriptor file(fd);
  struct stat info {};
  // Only a plain file holds entries; a folder, pipe or device is not one.
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return FileRead::kUnreadable;
  try {
    return read_lines(fd, list, clearFirst);
  } catch (...) {
    return FileRead::kUnreadable;
  }
}

bool SaveListToFile(const ListItems& list, const std::string& path) {
  // The whole file is made in memory first: nothing touches the disk until every
  // item has been read from the list.
  std::string contents;
  const std::size_t count = list.count();
  // A first entry that begins with a byte-order mark would lose it to the next load.
  if (count > 0 && list.item(0).starts_with(kUtf8Bom)) contents.append(kUtf8Bom);
  for (std::size_t i = 0; i < count; ++i) {
    contents.append(list.item(i));
    contents.append("\r\n");
  }
  // A temporary file beside the old one, flushed to disk, then renamed over it.
  GError* error = nullptr;
  const gboolean written =
      g_file_set_contents_full(path.c_str(), contents.data(), static_cast<gssize>(contents.size()),
                               static_cast<GFileSetContentsFlags>(G_FILE_SET_CONTENTS_CONSISTENT |
                                                                  G_FILE_SET_CONTENTS_DURABLE),
                               0666, &error);
  if (error != nullptr) g_error_free(error);
  return written != FALSE;
}

}  // namespace kv::Module1
