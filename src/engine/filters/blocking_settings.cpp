#include "engine/filters/blocking_settings.h"

#include <glib.h>

#include <algorithm>

#include "desktop/glib_handles.h"
#include "desktop/user_paths.h"

namespace kv {
namespace {

constexpr const char* kGroup = "Content blocking";

bool is_host_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
}

std::string lower_ascii(std::string_view text) {
  OwnedChars lowered(g_ascii_strdown(text.data(), static_cast<gssize>(text.size())));
  return lowered.get();
}

bool within(std::string_view host, std::string_view site) {
  return host == site || (host.size() > site.size() && host.ends_with(site) &&
                          host[host.size() - site.size() - 1] == '.');
}

}  // namespace

std::string blocking_settings_path() {
  return user_config_dir() + "/content-blocking.ini";
}

BlockingSettings blocking_settings_in(std::string_view text) {
  BlockingSettings settings;
  OwnedKeyFile file(g_key_file_new());
  if (!g_key_file_load_from_data(file.get(), text.data(), text.size(), G_KEY_FILE_NONE, nullptr))
    return settings;
  OwnedError error;
  const gboolean enabled = g_key_file_get_boolean(file.get(), kGroup, "Enabled", out(error));
  if (!error) settings.enabled = enabled;
  OwnedStrv sites(g_key_file_get_string_list(file.get(), kGroup, "AllowedSites", nullptr, nullptr));
  for (gchar** site = sites.get(); site != nullptr && *site != nullptr; ++site) {
    std::string name = site_from_text(*site);
    if (!name.empty() && std::find(settings.allowed_sites.begin(), settings.allowed_sites.end(),
                                   name) == settings.allowed_sites.end())
      settings.allowed_sites.push_back(std::move(name));
  }
  return settings;
}

std::string blocking_settings_text(const BlockingSettings& settings) {
  OwnedKeyFile file(g_key_file_new());
  g_key_file_set_boolean(file.get(), kGroup, "Enabled", settings.enabled);
  std::vector<const gchar*> sites;
  for (const auto& site : settings.allowed_sites) sites.push_back(site.c_str());
  g_key_file_set_string_list(file.get(), kGroup, "AllowedSites", sites.data(), sites.size());
  OwnedChars text(g_key_file_to_data(file.get(), nullptr, nullptr));
  return text.get();
}

BlockingSettings load_blocking_settings() {
  OwnedChars contents;
  gsize length = 0;
  if (!g_file_get_contents(blocking_settings_path().c_str(), out(contents), &length, nullptr))
    return {};
  return blocking_settings_in(std::string_view(contents.get(), length));
}

bool save_blocking_settings(const BlockingSettings& settings) {
  const std::string text = blocking_settings_text(settings);
  return g_file_set_contents_full(blocking_settings_path().c_str(), text.data(),
                                  static_cast<gssize>(text.size()), G_FILE_SET_CONTENTS_CONSISTENT,
                                  0600, nullptr);
}

std::string site_from_text(std::string_view text) {
  std::string host(text);
  g_strstrip(host.data());
  host.resize(std::char_traits<char>::length(host.c_str()));
  if (host.find("://") != std::string::npos) {
    OwnedUri uri(g_uri_parse(host.c_str(), G_URI_FLAGS_NONE, nullptr));
    if (!uri || g_uri_get_host(uri.get()) == nullptr) return {};
    host = g_uri_get_host(uri.get());
  } else {
    host = host.substr(0, host.find_first_of("/:?#"));
  }
  host = lower_ascii(host);
  if (host.starts_with("www.")) host.erase(0, 4);
  while (host.ends_with(".")) host.pop_back();
  if (host.empty() || host.size() > 253 || host.starts_with(".") ||
      !std::all_of(host.begin(), host.end(), is_host_char))
    return {};
  return host;
}

bool filters_page(const BlockingSettings& settings, std::string_view address) {
  if (!settings.enabled) return false;
  OwnedUri uri(g_uri_parse(std::string(address).c_str(), G_URI_FLAGS_NONE, nullptr));
  if (!uri) return false;
  const std::string scheme = lower_ascii(g_uri_get_scheme(uri.get()));
  if (scheme != "http" && scheme != "https") return false;
  const char* raw_host = g_uri_get_host(uri.get());
  if (raw_host == nullptr) return false;
  const std::string host = lower_ascii(raw_host);
  return std::none_of(settings.allowed_sites.begin(), settings.allowed_sites.end(),
                      [&](const std::string& site) { return within(host, site); });
}

}  // namespace kv
