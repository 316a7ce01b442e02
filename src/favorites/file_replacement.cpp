#include "favorites/file_replacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace kv {
namespace {

constexpr std::string_view kMarker = ".saving-";
constexpr std::string_view kLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kSuffixLength = 6;
constexpr std::size_t kBufferSize = std::size_t{1} << 20U;

struct Place {
  std::string folder;  // "." for a bare file name
  std::string name;
};

Place place_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Whether `entry` is a name that a replacement of the file `name` makes.
bool is_replacement_name(std::string_view entry, std::string_view name) {
  if (entry.size() != name.size() + kMarker.size() + kSuffixLength) return false;
  if (!entry.starts_with(name) || entry.substr(name.size(), kMarker.size()) != kMarker) {
    return false;
  }
  return entry.substr(name.size() + kMarker.size()).find_first_not_of(kLetters) ==
         std::string_view::npos;
}

std::string random_suffix() {
  std::string suffix;
  for (std::size_t i = 0; i < kSuffixLength; ++i) {
    suffix.push_back(kLetters[g_random_int_range(0, static_cast<gint32>(kLetters.size()))]);
  }
  return suffix;
}

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

// Removes `entry` of the open folder if it is a plain file that nobody holds locked.
void remove_if_abandoned(int folder, const char* entry) {
  const int fd = ::openat(folder, entry, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat opened {};
  struct stat named {};
  // A running replacement holds its file locked until it has taken the old file's place.
  if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      ::fstatat(folder, entry, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == opened.st_dev &&
      named.st_ino == opened.st_ino) {
    ::unlinkat(folder, entry, 0);
  }
  ::close(fd);
}

}  // namespace

FileReplacement::FileReplacement(std::string path) : path_(std::move(path)) {
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temp_path_ = path_ + std::string(kMarker) + random_suffix();
    fd_ = ::open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) return;
  // Held until the file has taken the old one's place: the mark of a replacement at work.
  if (::flock(fd_, LOCK_EX) != 0) fail();
  buffer_.reserve(kBufferSize);
}

FileReplacement::~FileReplacement() {
  fail();
}

void FileReplacement::fail() {
  if (fd_ < 0) return;
  ::unlink(temp_path_.c_str());
  ::close(fd_);
  fd_ = -1;
}

void FileReplacement::flush() {
  if (fd_ >= 0 && !write_all(fd_, buffer_)) fail();
  buffer_.clear();
}

void FileReplacement::write(std::string_view bytes) {
  if (fd_ < 0) return;
  if (buffer_.size() + bytes.size() > kBufferSize) {
    flush();
    if (bytes.size() >= kBufferSize) {
      if (fd_ >= 0 && !write_all(fd_, bytes)) fail();
      return;
    }
  }
  buffer_.append(bytes);
}

bool FileReplacement::commit() {
  flush();
  if (fd_ < 0) return false;
  // The new file keeps who may read the old one.
  struct stat old {};
  if (::stat(path_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    ::fchmod(fd_, old.st_mode & 07777U);
  }
  if (::fsync(fd_) != 0 || ::rename(temp_path_.c_str(), path_.c_str()) != 0) {
    fail();
    return false;
  }
  ::close(fd_);
  fd_ = -1;
  // The new name on disk too, not only the new bytes.
  const int folder = ::open(place_of(path_).folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return true;
}

void remove_replacement_leftovers(const std::string& path) {
  const Place place = place_of(path);
  DIR* folder = ::opendir(place.folder.c_str());
  if (folder == nullptr) return;
  while (const dirent* entry = ::readdir(folder)) {
    if (is_replacement_name(entry->d_name, place.name)) {
      remove_if_abandoned(::dirfd(folder), entry->d_name);
    }
  }
  ::closedir(folder);
}

}  // namespace kv
