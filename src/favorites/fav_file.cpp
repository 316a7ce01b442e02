#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "favorites/entry_text.h"
#include "favorites/fav_entries.h"
#include "favorites/file_replacement.h"
#include "favorites/list_items.h"
#include "favorites/module1.h"

namespace kv::Module1 {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

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

struct FileContents {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
  bool whole = false;  // false when a read failed before the end
};

// The whole file in one block, sized from what fstat says and grown if the file grew.
FileContents read_contents(int fd, std::size_t expected) {
  FileContents contents;
  std::size_t capacity = expected + 1;  // one more, to see the end in the same read
  contents.data = std::make_unique_for_overwrite<char[]>(capacity);
  while (true) {
    if (contents.size == capacity) {
      capacity *= 2;
      auto larger = std::make_unique_for_overwrite<char[]>(capacity);
      std::memcpy(larger.get(), contents.data.get(), contents.size);
      contents.data = std::move(larger);
    }
    const ssize_t got = ::read(fd, contents.data.get() + contents.size, capacity - contents.size);
    if (got < 0) {
      if (errno == EINTR) continue;
      return contents;
    }
    if (got == 0) break;
    contents.size += static_cast<std::size_t>(got);
  }
  contents.whole = true;
  return contents;
}

// How many lines end in `bytes`, and whether all of them are plain ASCII without 0 bytes
// (then every entry's text is its bytes), in one pass that the compiler can vectorise:
// c | (c - 1) has its top bit set exactly for 0 and for bytes of 0x80 and up.
struct Survey {
  std::size_t line_ends = 0;
  bool plain = true;
};

Survey survey(std::string_view bytes) {
  std::size_t line_ends = 0;
  unsigned char seen = 0;
  for (const char ch : bytes) {
    const auto byte = static_cast<unsigned char>(ch);
    line_ends += byte == '\n' ? 1U : 0U;
    seen |= static_cast<unsigned char>(byte | static_cast<unsigned char>(byte - 1U));
  }
  return {line_ends, (seen & 0x80U) == 0};
}

// One entry per line, each viewing into the file's block. Lines end in LF, with or without
// CR before it; a last line without one counts too, unless the read stopped short in it.
FavEntries entries_of(FileContents contents) {
  FavEntries entries;
  std::string_view rest(entries.hold(std::move(contents.data)), contents.size);
  if (!contents.whole) rest = rest.substr(0, rest.rfind('\n') + 1);
  const Survey found = survey(rest);
  entries.reserve(found.line_ends + 1);
  std::string scratch;
  bool first = true;
  while (!rest.empty()) {
    const char* end = static_cast<const char*>(std::memchr(rest.data(), '\n', rest.size()));
    std::string_view line = rest.substr(0, end != nullptr ? end - rest.data() : rest.size());
    rest.remove_prefix(end != nullptr ? line.size() + 1 : rest.size());
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (found.plain) {
      entries.push_back({line, line});
      continue;
    }
    std::string_view shown = line;
    // Editors of this desktop may put a byte-order mark in front; it is no text, but it
    // stays with the first entry's bytes.
    if (first && shown.starts_with(kUtf8Bom)) shown.remove_prefix(kUtf8Bom.size());
    first = false;
    std::string_view text = entry_text(shown, scratch);
    if (text.data() == scratch.data()) text = entries.store(text);
    entries.push_back({line, text});
  }
  return entries;
}

}  // namespace

FileRead LoadListFromFile(ListItems& list, const std::string& path, bool clearFirst) {
  remove_replacement_leftovers(path);
  // Not blocking, so that a pipe in the file's place cannot hang the load.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? FileRead::kMissing : FileRead::kUnreadable;
  const FileDescriptor file(fd);
  struct stat info {};
  // Only a plain file holds entries; a folder, pipe or device is not one.
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return FileRead::kUnreadable;
  try {
    FileContents contents = read_contents(fd, static_cast<std::size_t>(info.st_size));
    const bool whole = contents.whole;
    FavEntries entries = entries_of(std::move(contents));
    const Bulk bulk(list);
    if (clearFirst) list.clear();
    list.add_entries(std::move(entries));
    return whole ? FileRead::kRead : FileRead::kUnreadable;
  } catch (...) {
    return FileRead::kUnreadable;
  }
}

bool SaveListToFile(const ListItems& list, const std::string& path) {
  remove_replacement_leftovers(path);
  FileReplacement file(path);
  const std::size_t count = list.count();
  // The next load takes one mark at the start of the file as the file's own: a first
  // entry whose text begins with a mark of its own needs another in front of it.
  if (count > 0 && list.item(0).starts_with(kUtf8Bom)) {
    const std::string_view bytes = list.item_bytes(0);
    if (!bytes.starts_with(kUtf8Bom) || !bytes.substr(kUtf8Bom.size()).starts_with(kUtf8Bom)) {
      file.write(kUtf8Bom);
    }
  }
  for (std::size_t i = 0; i < count && file.ok(); ++i) {
    file.write(list.item_bytes(i));
    file.write(kLineEnd);
  }
  return file.commit();
}

}  // namespace kv::Module1
