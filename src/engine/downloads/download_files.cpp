#include "engine/downloads/download_files.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kv {
namespace {

// The engine receives into its own file beside the destination and renames it at the end.
constexpr const char* kEngineSuffix = ".wkdownload";

}  // namespace

std::string download_file_name(const std::string& suggested) {
  std::string name = suggested;
  const auto slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || std::strchr(":*?\"<>|", c) != nullptr) c = '_';
  }
  // A leading dot would hide the file, a trailing one or space gets lost on some systems.
  while (!name.empty() && (name.front() == '.' || name.front() == ' ')) name.erase(0, 1);
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  if (name.empty() || g_utf8_validate(name.c_str(), -1, nullptr) == FALSE) return "download";
  return name;
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

bool complete_partial_file(const std::string& partial_path, const std::string& final_path,
                           std::string& error) {
  if (g_rename(partial_path.c_str(), final_path.c_str()) != 0) {
    error = g_strerror(errno);
    return false;
  }
  return true;
}

void discard_partial_file(const std::string& partial_path) {
  g_remove(partial_path.c_str());
  g_remove((partial_path + kEngineSuffix).c_str());
}

}  // namespace kv
