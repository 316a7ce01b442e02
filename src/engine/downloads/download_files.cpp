#include "engine/downloads/download_files.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace kv {
namespace {

// The engine receives into its own file beside the destination and renames it at the end.
constexpr const char* kEngineSuffix = ".wkdownload";
// A second name of ours for the engine's file: the engine deletes its own names when the
// program ends before the download does, and this one keeps what was received.
constexpr const char* kKeptSuffix = ".kept";
// File systems take 255 bytes a name; the partial file adds ".XXXXXX.part" and the engine
// its own suffix to the chosen name, and a free name " (n)".
constexpr std::size_t kLongestName = 200;
// An extension longer than this is more likely part of the name.
constexpr std::size_t kLongestExtension = 16;

// Controls (C0, DEL, C1), characters file names cannot hold elsewhere, and the
// direction marks, overrides and isolates that make "exe.txt" read as "txt.exe".
bool misleading(gunichar c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ||
         (c < 0x80 && std::strchr(":*?\"<>|", static_cast<char>(c)) != nullptr);
}

// `name` (valid UTF-8) with each misleading character replaced by '_'.
std::string without_misleading_characters(const std::string& name) {
  std::string kept;
  for (const char* at = name.c_str(); *at != '\0'; at = g_utf8_next_char(at)) {
    const gunichar c = g_utf8_get_char(at);
    if (misleading(c)) {
      kept += '_';
    } else {
      const char* next = g_utf8_next_char(at);
      kept.append(at, static_cast<std::size_t>(next - at));
    }
  }
  return kept;
}

// The extension of `name` with its dot, or "" when it has none worth keeping.
std::string extension_of(const std::string& name) {
  const auto dot = name.find_last_of('.');
  if (dot == std::string::npos || dot == 0 || name.size() - dot > kLongestExtension) return "";
  return name.substr(dot);
}

// `name` (valid UTF-8) cut to kLongestName bytes at a character's start, keeping its
// extension.
std::string shortened(const std::string& name) {
  if (name.size() <= kLongestName) return name;
  const std::string extension = extension_of(name);
  std::string stem = name.substr(0, name.size() - extension.size());
  std::size_t keep = kLongestName - extension.size();
  // Back to the start of the character that would be cut.
  while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) --keep;
  stem.resize(keep);
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  return stem + extension;
}

// "same.bin" -> "same (n).bin"
std::string numbered(const std::string& path, int n) {
  const auto slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = path.substr(folder.size());
  const std::string extension = extension_of(name);
  return folder + name.substr(0, name.size() - extension.size()) + " (" + std::to_string(n) + ")" +
         extension;
}

// The length of the random part that g_mkstemp puts into a partial file's name.
constexpr std::size_t kRandomPart = 6;

// Renames without replacing anything: 0, or the errno (EEXIST when the name is taken).
int rename_no_replace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without the flag: a new link fails on a taken name just the same.
  if (link(from.c_str(), to.c_str()) != 0) return errno;
  g_remove(from.c_str());
  return 0;
}

}  // namespace

std::string download_file_name(const std::string& suggested) {
  std::string name = suggested;
  const auto slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  if (g_utf8_validate(name.c_str(), static_cast<gssize>(name.size()), nullptr) == FALSE) {
    return "download";
  }
  name = without_misleading_characters(name);
  // A leading dot would hide the file, a trailing one or space gets lost on some systems.
  while (!name.empty() && (name.front() == '.' || name.front() == ' ')) name.erase(0, 1);
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  if (name.empty()) return "download";
  return shortened(name);
}

std::optional<std::string> reserve_partial_file(const std::string& final_path, std::string& error) {
  std::string path = final_path + ".XXXXXX.part";
  const int fd = g_mkstemp_full(path.data(), 0, 0644);
  if (fd < 0) {
    error = g_strerror(errno);
    return std::nullopt;
  }
  close(fd);
  return path;
}

namespace {

std::optional<std::string> move_partial_file(const std::string& partial_path,
                                             const std::string& final_path, bool may_replace,
                                             std::string& error) {
  int first_free = 0;
  if (may_replace) {
    if (g_rename(partial_path.c_str(), final_path.c_str()) == 0) return final_path;
    // A folder made at that name since: the file takes a free name beside it.
    if (errno != EISDIR && errno != ENOTEMPTY && errno != EEXIST) {
      error = g_strerror(errno);
      return std::nullopt;
    }
    first_free = 1;
  }
  constexpr int kFreeNamesTried = 1000;
  for (int n = first_free; n <= kFreeNamesTried; ++n) {
    std::string path = n == 0 ? final_path : numbered(final_path, n);
    const int failure = rename_no_replace(partial_path, path);
    if (failure == 0) return path;
    if (failure != EEXIST) {
      error = g_strerror(failure);
      return std::nullopt;
    }
  }
  error = g_strerror(EEXIST);
  return std::nullopt;
}

}  // namespace

std::optional<std::string> complete_partial_file(const std::string& partial_path,
                                                 const std::string& final_path, bool may_replace,
                                                 std::string& error) {
  auto saved = move_partial_file(partial_path, final_path, may_replace, error);
  if (saved) g_remove((partial_path + kKeptSuffix).c_str());
  return saved;
}

std::optional<std::string> name_beneath_partial(const std::string& path) {
  std::string name = path;
  for (const char* suffix : {kEngineSuffix, kKeptSuffix}) {
    if (name.ends_with(suffix)) {
      name.resize(name.size() - std::strlen(suffix));
      break;
    }
  }
  // "<name>.XXXXXX.part", as reserve_partial_file makes them.
  constexpr std::string_view kPart = ".part";
  const std::size_t tail = 1 + kRandomPart + kPart.size();
  const auto slash = name.find_last_of('/');
  const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
  if (!name.ends_with(kPart) || name.size() <= base + tail || name[name.size() - tail] != '.') {
    return std::nullopt;
  }
  const std::string_view random(name.data() + name.size() - tail + 1, kRandomPart);
  if (!std::all_of(random.begin(), random.end(),
                   [](char c) { return g_ascii_isalnum(c) != FALSE; })) {
    return std::nullopt;
  }
  return name.substr(0, name.size() - tail);
}

void discard_partial_file(const std::string& partial_path) {
  for (const char* suffix : {"", kEngineSuffix, kKeptSuffix}) {
    g_remove((partial_path + suffix).c_str());
  }
}

bool keep_received_data(const std::string& partial_path) {
  const std::string kept = partial_path + kKeptSuffix;
  return link((partial_path + kEngineSuffix).c_str(), kept.c_str()) == 0 || errno == EEXIST;
}

void recover_partial_file(const std::string& partial_path) {
  for (const char* suffix : {kKeptSuffix, kEngineSuffix}) {
    const std::string received = partial_path + suffix;
    GStatBuf info{};
    if (g_lstat(received.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        g_rename(received.c_str(), partial_path.c_str()) == 0) {
      break;
    }
  }
  for (const char* suffix : {kKeptSuffix, kEngineSuffix}) g_remove((partial_path + suffix).c_str());
}

}  // namespace kv
