#include "engine/profile/web_process_extension.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "desktop/app_folder.h"
#include "desktop/glib_handles.h"

namespace kv {
namespace {

bool holds_extension(const std::filesystem::path& dir) {
  std::error_code error;
  return std::filesystem::is_regular_file(dir / KV_WEB_PROCESS_MODULE, error);
}

}  // namespace

const std::string& dialog_mark_secret() {
  // Never shown to a page, nor written anywhere: 122 random bits are plenty.
  static const std::string secret = take_string(g_uuid_string_random());
  return secret;
}

std::string web_process_extension_dir() {
  const std::filesystem::path program(application_folder());
  const std::filesystem::path build_tree(KV_BUILD_TREE);
  // A program of the build tree (or a test of it) takes the extension built with it.
  const auto [tree_end, program_end] =
      std::mismatch(build_tree.begin(), build_tree.end(), program.begin(), program.end());
  if (tree_end == build_tree.end() && holds_extension(KV_WEB_PROCESS_BUILD_DIR)) {
    return KV_WEB_PROCESS_BUILD_DIR;
  }
  // The program in PREFIX/bin, the extension in PREFIX/lib/...
  const std::filesystem::path installed = program.parent_path() / KV_WEB_PROCESS_INSTALL_DIR;
  if (holds_extension(installed)) return installed.lexically_normal().string();
  return {};
}

void load_web_process_extension(WebKitWebContext* context) {
  static const std::string dir = web_process_extension_dir();
  if (dir.empty()) {
    static bool told = false;
    if (!std::exchange(told, true)) {
      std::fprintf(stderr,
                   "kestrivane: the web process extension %s is missing: the dialogs of "
                   "pages cannot be told from those of their frames, and are not shown\n",
                   KV_WEB_PROCESS_MODULE);
    }
    return;
  }
  webkit_web_context_set_web_extensions_directory(context, dir.c_str());
  webkit_web_context_set_web_extensions_initialization_user_data(
      context, g_variant_new_string(dialog_mark_secret().c_str()));
}

}  // namespace kv
