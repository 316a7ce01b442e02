#include "desktop/app_folder.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

constexpr const char* kFavoritesName = "fav.Dat";

bool user_can_write(const std::string& path) {
  return g_access(path.c_str(), W_OK) == 0;
}

// The folder can take a new file, and the file in it, if any, can be replaced. A fav.Dat
// left read-only for this user counts as not writable: saving over it must not fail.
bool favorites_writable_in(const std::string& folder) {
  if (g_access(folder.c_str(), W_OK | X_OK) != 0) return false;
  // A folder that others may write to (a shared install, /tmp) could have fav.Dat
  // swapped under the user: only a folder of the user's own, closed to others, will do.
  GStatBuf info;
  if (g_stat(folder.c_str(), &info) != 0 || info.st_uid != getuid() ||
      (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return false;
  }
  const std::string file = folder + "/" + kFavoritesName;
  return !g_file_test(file.c_str(), G_FILE_TEST_EXISTS) || user_can_write(file);
}

// Copies `from` to `to` whole or not at all: a copy cut short must not pass for the
// user's favourites next time.
void copy_whole(const std::string& from, const std::string& to) {
  OwnedChars contents;
  gsize length = 0;
  if (!g_file_get_contents(from.c_str(), out(contents), &length, nullptr)) return;
  g_file_set_contents_full(to.c_str(), contents.get(), static_cast<gssize>(length),
                           static_cast<GFileSetContentsFlags>(G_FILE_SET_CONTENTS_CONSISTENT |
                                                              G_FILE_SET_CONTENTS_DURABLE),
                           0600, nullptr);
}

}  // namespace

std::string application_folder() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::filesystem::current_path(error).string();
  return exe.parent_path().string();
}

std::string favorites_file_for(const std::string& app_folder, const std::string& user_data_folder) {
  const std::string beside = app_folder + "/" + kFavoritesName;
  if (favorites_writable_in(app_folder)) return beside;

  const std::string own = user_data_folder + "/" + kFavoritesName;
  g_mkdir_with_parents(user_data_folder.c_str(), 0700);
  // Any entry at that path counts as the user's copy, even one that cannot be read:
  // it is never overwritten.
  GStatBuf info;
  if (g_lstat(own.c_str(), &info) != 0 && g_file_test(beside.c_str(), G_FILE_TEST_IS_REGULAR)) {
    copy_whole(beside, own);
  }
  return own;
}

}  // namespace kv
