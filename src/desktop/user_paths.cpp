#include "desktop/user_paths.h"

#include <glib.h>

#include "desktop/app_folder.h"
#include "desktop/private_files.h"

namespace kv {
namespace {

std::string ensured(const char* base) {
  std::string dir = std::string(base) + "/kestrivane";
  make_private_folder(dir);
  return dir;
}

}  // namespace

std::string user_config_dir() {
  return ensured(g_get_user_config_dir());
}
std::string user_data_dir() {
  return ensured(g_get_user_data_dir());
}
std::string user_cache_dir() {
  return ensured(g_get_user_cache_dir());
}
std::string internet_settings_path() {
  return user_config_dir() + "/internet-options.ini";
}
std::string history_database_path() {
  return user_data_dir() + "/history.sqlite";
}
std::string favorites_file_path(const std::string& app_folder) {
  // The user's folder is only made when the favourites go there.
  return favorites_file_for(app_folder, std::string(g_get_user_data_dir()) + "/kestrivane");
}
std::string cookie_database_path() {
  return user_data_dir() + "/cookies.sqlite";
}
std::string website_data_dir() {
  std::string dir = user_data_dir() + "/website-data";
  make_private_folder(dir);
  return dir;
}
std::string website_data_cleared_path() {
  return user_data_dir() + "/website-data-cleared";
}
std::string site_permissions_path() {
  return user_data_dir() + "/permissions.ini";
}

std::string download_dir() {
  const char* special = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
  const std::string home = g_get_home_dir();
  // Without a configured folder, the one that desktops make by default.
  std::string dir = special != nullptr ? special : home + "/Downloads";
  if (g_mkdir_with_parents(dir.c_str(), 0700) != 0) return home;
  return dir;
}

}  // namespace kv
