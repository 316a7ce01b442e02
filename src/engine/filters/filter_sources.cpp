#include "engine/filters/filter_sources.h"

#include <glib.h>

#include <algorithm>
#include <array>

#include "desktop/glib_handles.h"
#include "desktop/user_paths.h"

namespace kv {
namespace {

constexpr const char* kPackage = "webext-ublock-origin-firefox";
constexpr std::array<const char*, 2> kListNames{"easylist.txt", "easyprivacy.txt"};
constexpr const char* kListFolder = "/assets/thirdparties/easylist/";
constexpr const char* kSubscriptionsFile = "subscriptions";

bool is_packaged_list(const std::string& path) {
  return std::any_of(kListNames.begin(), kListNames.end(), [&](const char* name) {
    return path.ends_with(std::string(kListFolder) + name);
  });
}

std::vector<std::string> children(const std::string& dir) {
  std::vector<std::string> out;
  GDir* raw = g_dir_open(dir.c_str(), 0, nullptr);
  if (raw == nullptr) return out;
  std::unique_ptr<GDir, decltype(&g_dir_close)> handle(raw, &g_dir_close);
  while (const char* name = g_dir_read_name(raw)) out.push_back(dir + "/" + name);
  std::sort(out.begin(), out.end());
  return out;
}

// Where the package installs its extension: under the browser's extension folder, one
// folder for the browser's id and one for the extension's.
std::vector<std::string> searched_lists() {
  std::vector<std::string> found;
  for (const auto& browser : children("/usr/share/mozilla/extensions"))
    for (const auto& extension : children(browser))
      for (const char* name : kListNames) {
        const std::string path = extension + kListFolder + name;
        if (g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR)) found.push_back(path);
      }
  return found;
}

}  // namespace

std::vector<std::string> packaged_filter_lists() {
  const std::array<const char*, 4> argv{"dpkg-query", "-L", kPackage, nullptr};
  OwnedChars output;
  gint status = 0;
  std::vector<std::string> found;
  if (g_spawn_sync(nullptr, const_cast<gchar**>(argv.data()), nullptr,
                   static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDERR_TO_DEV_NULL),
                   nullptr, nullptr, out(output), nullptr, &status, nullptr) &&
      g_spawn_check_wait_status(status, nullptr)) {
    OwnedStrv lines(g_strsplit(output.get(), "\n", -1));
    for (gchar** line = lines.get(); *line != nullptr; ++line) {
      const std::string path = *line;
      if (is_packaged_list(path) && g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR))
        found.push_back(path);
    }
  }
  if (found.empty()) found = searched_lists();
  return found;
}

FilterPlaces default_filter_places() {
  FilterPlaces places;
  places.packaged = packaged_filter_lists();
  places.user_dir = user_config_dir() + "/filters";
  places.cache_dir = user_cache_dir() + "/filters";
  places.store_dir = filter_store_dir();
  return places;
}

std::string filter_store_dir() {
  return user_cache_dir() + "/content-filters";
}

std::vector<ListSource> list_sources(const FilterPlaces& places) {
  std::vector<ListSource> sources;
  for (const auto& path : places.packaged) {
    OwnedChars name(g_path_get_basename(path.c_str()));
    sources.push_back({name.get(), path, false});
  }
  for (const auto& path : children(places.user_dir)) {
    const bool json = path.ends_with(".json");
    if ((!json && !path.ends_with(".txt")) || !g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR))
      continue;
    OwnedChars name(g_path_get_basename(path.c_str()));
    sources.push_back({name.get(), path, json});
  }
  for (const auto& address : subscription_addresses(places)) {
    const std::string copy = subscription_copy_path(places, address);
    if (g_file_test(copy.c_str(), G_FILE_TEST_IS_REGULAR))
      sources.push_back({address, copy, false});
  }
  return sources;
}

std::vector<std::string> subscription_addresses(const FilterPlaces& places,
                                                std::vector<std::string>* refused) {
  const std::string file = places.user_dir + "/" + kSubscriptionsFile;
  OwnedChars contents;
  if (!g_file_get_contents(file.c_str(), out(contents), nullptr, nullptr)) {
    if (!places.packaged.empty()) return {};
    return {"https://easylist.to/easylist/easylist.txt",
            "https://easylist.to/easylist/easyprivacy.txt"};
  }
  std::vector<std::string> addresses;
  OwnedStrv lines(g_strsplit(contents.get(), "\n", -1));
  for (gchar** line = lines.get(); *line != nullptr; ++line) {
    std::string address = g_strstrip(*line);
    if (address.empty() || address.starts_with("#")) continue;
    // A list decides what pages load: never from an address anyone on the way could
    // answer for. A file is for lists of one's own, and for tests.
    OwnedChars scheme(g_uri_parse_scheme(address.c_str()));
    if (!scheme || (g_ascii_strcasecmp(scheme.get(), "https") != 0 &&
                    g_ascii_strcasecmp(scheme.get(), "file") != 0)) {
      if (refused != nullptr) refused->push_back(address);
      continue;
    }
    if (std::find(addresses.begin(), addresses.end(), address) == addresses.end())
      addresses.push_back(std::move(address));
  }
  return addresses;
}

std::string subscription_copy_path(const FilterPlaces& places, const std::string& address) {
  OwnedChars digest(g_compute_checksum_for_string(G_CHECKSUM_SHA256, address.c_str(), -1));
  return places.cache_dir + "/" + std::string(digest.get()).substr(0, 32) + ".txt";
}

}  // namespace kv
