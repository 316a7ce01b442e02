#include "desktop/private_files.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {
namespace {

// Takes group and world access away from an entry of ours; never follows a link.
void tighten(const std::string& path, mode_t keep) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || S_ISLNK(info.st_mode)) return;
  if (info.st_uid != getuid() || (info.st_mode & 077) == 0) return;
  chmod(path.c_str(), info.st_mode & keep);
}

}  // namespace

bool make_private_folder(const std::string& path) {
  if (g_mkdir_with_parents(path.c_str(), 0700) != 0) return false;
  tighten(path, 0700);
  return true;
}

void make_private_file(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd >= 0) close(fd);
  tighten(path, 0600);
}

void make_private_database(const std::string& path) {
  make_private_file(path);
  for (const char* beside : {"-wal", "-shm", "-journal"}) tighten(path + beside, 0600);
}

}  // namespace kv
