#include "desktop/user_paths.h"

#include <glib.h>

namespace kv {
namespace {

std::string ensured(const char* base) {
  std::string dir = std::string(base) + "/kestrivane";
  g_mkdir_with_parents(dir.c_str(), 0700);
  return dir;
}

}  // namespace

std::string user_config_dir() {
  return ensured(g_get_user_config_dir());
}
std::string user_data_dir() {
  return ensured(g_get_user_data_dir());
}
std::string internet_settings_path() {
  return user_config_dir() + "/internet-options.ini";
}
std::string history_database_path() {
  return user_data_dir() + "/history.sqlite";
}

}  // namespace kv
