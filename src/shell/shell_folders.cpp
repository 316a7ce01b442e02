#include "shell/shell_folders.h"

#include <glib.h>

#include <algorithm>
#include <cstring>

#include "desktop/user_paths.h"

namespace kv {
namespace {

class SystemShellFolders : public ShellFolders {
 public:
  std::int32_t SHGetSpecialFolderLocation(Gtk::Window* owner, int csidl,
                                          ItemIdList*& out) override {
    return kv::SHGetSpecialFolderLocation(owner, csidl, out);
  }
  void CoTaskMemFree(void* memory) override { kv::CoTaskMemFree(memory); }
};

}  // namespace

std::string favorites_folder_path() {
  const std::string path = user_data_dir() + "/Favorites";
  if (g_mkdir_with_parents(path.c_str(), 0700) != 0) return "";
  if (!g_file_test(path.c_str(), G_FILE_TEST_IS_DIR)) return "";
  return path;
}

std::int32_t SHGetSpecialFolderLocation(Gtk::Window* /*owner*/, int csidl, ItemIdList*& out) {
  out = nullptr;
  if (csidl != CSIDL_FAVORITES && csidl != CSIDL_HISTORY) return kShellInvalidArgument;
  if (csidl == CSIDL_FAVORITES && favorites_folder_path().empty()) return kShellFail;
  const std::vector<std::uint8_t> bytes = encode_item_id_list(ShellFolder{csidl, {}});
  void* memory = g_malloc(bytes.size());
  std::memcpy(memory, bytes.data(), bytes.size());
  out = static_cast<ItemIdList*>(memory);
  return kShellOk;
}

void CoTaskMemFree(void* memory) {
  g_free(memory);
}

void RtlMoveMemory(std::vector<std::uint8_t>& destination, const void* source, std::size_t length) {
  const std::size_t count = std::min(length, destination.size());
  if (count == 0 || source == nullptr) return;
  std::memmove(destination.data(), source, count);
}

ShellFolders& system_shell_folders() {
  static SystemShellFolders shell;
  return shell;
}

}  // namespace kv
