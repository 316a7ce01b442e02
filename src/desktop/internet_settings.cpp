#include "desktop/internet_settings.h"

#include <glib.h>

#include <memory>

#include "desktop/user_paths.h"

namespace kv {
namespace {

constexpr const char* kGroup = "General";
constexpr const char* kHomePageKey = "HomePage";

using KeyFile = std::unique_ptr<GKeyFile, decltype(&g_key_file_unref)>;

KeyFile load_settings() {
  KeyFile file(g_key_file_new(), &g_key_file_unref);
  g_key_file_load_from_file(file.get(), internet_settings_path().c_str(), G_KEY_FILE_KEEP_COMMENTS,
                            nullptr);
  return file;
}

}  // namespace

Glib::ustring configured_home_page() {
  const KeyFile file = load_settings();
  gchar* value = g_key_file_get_string(file.get(), kGroup, kHomePageKey, nullptr);
  if (value == nullptr) return kDefaultHomePage;
  Glib::ustring home = value;
  g_free(value);
  if (home.empty() || !home.validate()) return kDefaultHomePage;
  return home;
}

bool save_home_page(const Glib::ustring& address) {
  const KeyFile file = load_settings();
  g_key_file_set_string(file.get(), kGroup, kHomePageKey, address.c_str());
  gsize length = 0;
  gchar* data = g_key_file_to_data(file.get(), &length, nullptr);
  const gboolean saved =
      g_file_set_contents_full(internet_settings_path().c_str(), data, static_cast<gssize>(length),
                               static_cast<GFileSetContentsFlags>(G_FILE_SET_CONTENTS_CONSISTENT |
                                                                  G_FILE_SET_CONTENTS_DURABLE),
                               0600, nullptr);
  g_free(data);
  return saved != FALSE;
}

}  // namespace kv
