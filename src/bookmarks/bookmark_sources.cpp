#include "bookmarks/bookmark_sources.h"

#include <glib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "bookmarks/chromium_bookmarks.h"
#include "bookmarks/firefox_places.h"
#include "bookmarks/html_bookmarks.h"
#include "desktop/glib_handles.h"

namespace kv {
namespace {

constexpr off_t kMaxProfilesIniBytes = 1024 * 1024;
constexpr std::size_t kMaxProfiles = 200;

bool is_file(const std::string& path, off_t max_size = -1) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         (max_size < 0 || info.st_size <= max_size);
}

void add_firefox(const std::string& folder, std::vector<BookmarkSource>& found) {
  const std::string ini = folder + "/profiles.ini";
  if (!is_file(ini, kMaxProfilesIniBytes)) return;
  const OwnedKeyFile keys(g_key_file_new());
  if (g_key_file_load_from_file(keys.get(), ini.c_str(), G_KEY_FILE_NONE, nullptr) == FALSE) {
    return;
  }
  const OwnedStrv groups(g_key_file_get_groups(keys.get(), nullptr));
  for (gchar** group = groups.get(); *group != nullptr; ++group) {
    if (!g_str_has_prefix(*group, "Profile") || found.size() >= kMaxProfiles) continue;
    const std::string path =
        take_string(g_key_file_get_string(keys.get(), *group, "Path", nullptr));
    if (path.empty()) continue;
    const bool relative = g_key_file_get_integer(keys.get(), *group, "IsRelative", nullptr) != 0;
    std::string name = take_string(g_key_file_get_string(keys.get(), *group, "Name", nullptr));
    const std::string places = (relative ? folder + "/" + path : path) + "/places.sqlite";
    if (!is_file(places)) continue;
    if (name.empty()) name = std::filesystem::path(path).filename().string();
    found.push_back({BookmarkSource::Kind::kFirefox, "Firefox", name, places, ""});
  }
}

// Profiles are the folders beside one another that hold `file`.
void add_profiles(const std::string& folder, const char* file, const char* browser,
                  std::vector<BookmarkSource>& found) {
  std::error_code error;
  std::vector<std::string> names;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (names.size() >= kMaxProfiles) break;
    const std::string name = it->path().filename().string();
    if (!name.starts_with('.') && is_file(folder + "/" + name + "/" + file)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    found.push_back({BookmarkSource::Kind::kChromiumJson, browser,
                     take_string(g_filename_display_name(name.c_str())),
                     folder + "/" + name + "/" + file, ""});
  }
}

}  // namespace

std::vector<BookmarkSource> find_bookmark_sources(const std::string& home,
                                                  const std::string& config_home) {
  std::vector<BookmarkSource> found;
  add_firefox(home + "/.mozilla/firefox", found);
  add_firefox(home + "/.var/app/org.mozilla.firefox/.mozilla/firefox", found);
  add_firefox(home + "/snap/firefox/common/.mozilla/firefox", found);
  add_profiles(config_home + "/chromium", "Bookmarks", "Chromium", found);
  add_profiles(home + "/.var/app/org.chromium.Chromium/config/chromium", "Bookmarks", "Chromium",
               found);
  add_profiles(config_home + "/google-chrome", "Bookmarks", "Google Chrome", found);
  add_profiles(config_home + "/falkon/profiles", "bookmarks.json", "Falkon", found);

  std::map<std::string, int> per_browser;
  for (const BookmarkSource& source : found) ++per_browser[source.browser];
  for (BookmarkSource& source : found) {
    source.name =
        per_browser[source.browser] > 1 ? source.browser + " " + source.profile : source.browser;
  }
  return found;
}

BookmarkSource html_source(const std::string& path) {
  const std::string shown = take_string(g_filename_display_basename(path.c_str()));
  return {BookmarkSource::Kind::kHtml, shown, "", path, shown};
}

std::string source_title(const BookmarkSource& source) {
  if (source.profile.empty()) return source.browser;
  return source.browser + ", profile " + source.profile;
}

BookmarkRead read_bookmark_source(const BookmarkSource& source) {
  if (source.kind == BookmarkSource::Kind::kFirefox) return read_firefox_places(source.path);
  BookmarkRead read;
  std::string text;
  if (!read_bookmark_file(source.path, text, read.message)) return read;
  return source.kind == BookmarkSource::Kind::kHtml ? read_html_bookmarks(text)
                                                    : read_chromium_bookmarks(text);
}

}  // namespace kv
