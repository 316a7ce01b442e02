#pragma once

#include <string>
#include <string_view>

namespace kv {

// Replaces a file whole or not at all. The new bytes go to a file of our own beside the
// old one (its name followed by ".saving-" and six letters or digits), are flushed to
// disk, and only then take the old file's place. Whatever fails, the old file stays as it
// was, and a replacement that is dropped before commit() takes its file away with it.
class FileReplacement {
 public:
  explicit FileReplacement(std::string path);
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;
  FileReplacement(FileReplacement&&) = delete;
  FileReplacement& operator=(FileReplacement&&) = delete;
  ~FileReplacement();

  // Whether every step so far has worked.
  [[nodiscard]] bool ok() const { return fd_ >= 0; }
  void write(std::string_view bytes);
  // Puts the new file in the old one's place; false if it is not there.
  bool commit();

 private:
  void flush();
  void fail();

  std::string path_;
  std::string temp_path_;
  int fd_ = -1;
  std::string buffer_;
};

// Removes the files that replacements of `path` left behind when their program was killed
// half way. Only names that a replacement makes are looked at, and only a file that no
// running replacement holds is removed.
void remove_replacement_leftovers(const std::string& path);

}  // namespace kv
