#include "sync/sync_settings.h"

#include <glib.h>

#include "desktop/glib_handles.h"
#include "desktop/private_files.h"
#include "desktop/user_paths.h"

namespace kv {
namespace {

constexpr const char* kGroup = "Sync";
constexpr const char* kOutcomeGroup = "Last sync";

OwnedKeyFile parse(const std::string& text) {
  OwnedKeyFile file(g_key_file_new());
  g_key_file_load_from_data(file.get(), text.data(), text.size(), G_KEY_FILE_KEEP_COMMENTS,
                            nullptr);
  return file;
}

std::string value(GKeyFile* file, const char* group, const char* key, const std::string& fallback) {
  const OwnedChars text(g_key_file_get_string(file, group, key, nullptr));
  if (!text || g_utf8_validate(text.get(), -1, nullptr) == FALSE) return fallback;
  return text.get();
}

std::string file_text() {
  OwnedChars contents;
  gsize length = 0;
  if (!g_file_get_contents(sync_settings_path().c_str(), out(contents), &length, nullptr)) {
    return {};
  }
  return std::string(contents.get(), length);
}

bool write_text(const std::string& text) {
  return g_file_set_contents_full(sync_settings_path().c_str(), text.data(),
                                  static_cast<gssize>(text.size()),
                                  static_cast<GFileSetContentsFlags>(
                                      G_FILE_SET_CONTENTS_CONSISTENT | G_FILE_SET_CONTENTS_DURABLE),
                                  0600, nullptr) != FALSE;
}

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

std::string sync_settings_path() {
  return user_config_dir() + "/sync.ini";
}

std::string sync_lock_path() {
  return user_config_dir() + "/sync.lock";
}

std::string sync_data_dir() {
  std::string dir = user_data_dir() + "/sync";
  make_private_folder(dir);
  return dir;
}

SyncSettings sync_settings_in(const std::string& text) {
  const OwnedKeyFile file = parse(text);
  SyncSettings settings;
  settings.folder = value(file.get(), kGroup, "Folder", "");
  settings.user = value(file.get(), kGroup, "User", "");
  settings.file = value(file.get(), kGroup, "File", settings.file);
  if (settings.file.empty()) settings.file = SyncSettings().file;
  return settings;
}

std::string sync_settings_text(const std::string& old_text, const SyncSettings& settings) {
  const OwnedKeyFile file = parse(old_text);
  g_key_file_set_string(file.get(), kGroup, "Folder", trimmed(settings.folder).c_str());
  g_key_file_set_string(file.get(), kGroup, "User", settings.user.c_str());
  g_key_file_set_string(file.get(), kGroup, "File", trimmed(settings.file).c_str());
  gsize length = 0;
  const OwnedChars data(g_key_file_to_data(file.get(), &length, nullptr));
  return std::string(data.get(), length);
}

SyncSettings load_sync_settings() {
  return sync_settings_in(file_text());
}

bool save_sync_settings(const SyncSettings& settings) {
  return write_text(sync_settings_text(file_text(), settings));
}

std::string last_sync_outcome() {
  const OwnedKeyFile file = parse(file_text());
  return value(file.get(), kOutcomeGroup, "Outcome", "");
}

bool save_sync_outcome(const std::string& text) {
  const OwnedKeyFile file = parse(file_text());
  g_key_file_set_string(file.get(), kOutcomeGroup, "Outcome", text.c_str());
  gsize length = 0;
  const OwnedChars data(g_key_file_to_data(file.get(), &length, nullptr));
  return write_text(std::string(data.get(), length));
}

std::optional<std::string> sync_file_address(const SyncSettings& settings, std::string& why) {
  const std::string folder = trimmed(settings.folder);
  const std::string name = trimmed(settings.file);
  const OwnedUri uri(g_uri_parse(folder.c_str(), G_URI_FLAGS_NONE, nullptr));
  const char* scheme = uri ? g_uri_get_scheme(uri.get()) : nullptr;
  const char* host = uri ? g_uri_get_host(uri.get()) : nullptr;
  if (scheme == nullptr ||
      (g_ascii_strcasecmp(scheme, "https") != 0 && g_ascii_strcasecmp(scheme, "http") != 0) ||
      host == nullptr || *host == '\0') {
    why = "The server folder is not a web address (https://...).";
    return std::nullopt;
  }
  if (g_uri_get_query(uri.get()) != nullptr || g_uri_get_fragment(uri.get()) != nullptr) {
    why = "The server folder's address has a ? or # in it.";
    return std::nullopt;
  }
  if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") {
    why = "The file name may not be empty or hold a /.";
    return std::nullopt;
  }
  std::string address = folder;
  if (!address.ends_with('/')) address += '/';
  return address + take_string(g_uri_escape_string(name.c_str(), nullptr, FALSE));
}

}  // namespace kv
