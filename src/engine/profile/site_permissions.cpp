#include "engine/profile/site_permissions.h"

#include <glib.h>

#include <array>
#include <utility>

#include "desktop/glib_handles.h"
#include "desktop/user_paths.h"

namespace kv {
namespace {

struct Kind {
  SitePermission permission;
  const char* key;
  const char* question;
};

constexpr std::array kKinds{
    Kind{SitePermission::kLocation, "location", "wants to know your location."},
    Kind{SitePermission::kNotifications, "notifications", "wants to show notifications."},
    Kind{SitePermission::kCamera, "camera", "wants to use your camera."},
    Kind{SitePermission::kMicrophone, "microphone", "wants to use your microphone."},
    Kind{SitePermission::kCameraAndMicrophone, "camera-and-microphone",
         "wants to use your camera and microphone."},
    Kind{SitePermission::kScreen, "screen", "wants to see your screen."},
    Kind{SitePermission::kPointerLock, "pointer-lock", "wants to hide and capture your pointer."},
    Kind{SitePermission::kClipboard, "clipboard", "wants to read your clipboard."},
    Kind{SitePermission::kWebsiteData, "website-data",
         "wants to use its cookies and website data on this page."},
    Kind{SitePermission::kDevices, "devices",
         "wants to know which cameras, microphones and speakers you have."},
    Kind{SitePermission::kSavePasswords, "save-passwords", "wants its password saved."},
};

const Kind& kind_of(SitePermission permission) {
  for (const Kind& kind : kKinds) {
    if (kind.permission == permission) return kind;
  }
  return kKinds[0];
}

// A host the key file keeps as a group name unchanged: no brackets, blanks or controls.
bool keepable_host(const char* host) {
  if (host == nullptr || *host == '\0') return false;
  for (const char* c = host; *c != '\0'; ++c) {
    if (!g_ascii_isalnum(*c) && g_utf8_strchr(".-_", -1, static_cast<guchar>(*c)) == nullptr) {
      return false;
    }
  }
  return true;
}

OwnedKeyFile load(const std::string& path) {
  OwnedKeyFile file(g_key_file_new());
  // A missing or damaged file holds no decisions.
  if (g_key_file_load_from_file(file.get(), path.c_str(), G_KEY_FILE_NONE, nullptr) == FALSE) {
    file.reset(g_key_file_new());
  }
  return file;
}

std::optional<bool> stored(GKeyFile* file, const char* origin, const char* key) {
  OwnedChars value(g_key_file_get_value(file, origin, key, nullptr));
  if (!value) return std::nullopt;
  const std::string text = value.get();
  if (text == "allow") return true;
  if (text == "deny") return false;
  return std::nullopt;  // anything else was not written by us: ask again
}

bool save(GKeyFile* file, const std::string& path) {
  gsize length = 0;
  OwnedChars text(g_key_file_to_data(file, &length, nullptr));
  OwnedChars dir(g_path_get_dirname(path.c_str()));
  g_mkdir_with_parents(dir.get(), 0700);
  // Which sites may see the camera is the user's own business: readable by the user only.
  return g_file_set_contents_full(path.c_str(), text.get(), static_cast<gssize>(length),
                                  G_FILE_SET_CONTENTS_CONSISTENT, 0600, nullptr) != FALSE;
}

}  // namespace

const char* permission_key(SitePermission permission) {
  return kind_of(permission).key;
}

std::optional<SitePermission> permission_from_key(const std::string& key) {
  for (const Kind& kind : kKinds) {
    if (key == kind.key) return kind.permission;
  }
  return std::nullopt;
}

const char* permission_question(SitePermission permission) {
  return kind_of(permission).question;
}

std::string origin_of(const std::string& uri) {
  OwnedUri parsed(g_uri_parse(uri.c_str(), G_URI_FLAGS_NONE, nullptr));
  if (!parsed) return {};
  const std::string scheme = g_uri_get_scheme(parsed.get());
  if (scheme != "http" && scheme != "https") return {};
  const char* host = g_uri_get_host(parsed.get());
  if (!keepable_host(host)) return {};
  OwnedChars lower(g_ascii_strdown(host, -1));
  std::string origin = scheme + "://" + lower.get();
  const int port = g_uri_get_port(parsed.get());
  const int usual = scheme == "https" ? 443 : 80;
  if (port > 0 && port != usual) origin += ":" + std::to_string(port);
  return origin;
}

std::string origin_display_name(const std::string& origin) {
  const auto after = origin.find("://");
  return after == std::string::npos ? origin : origin.substr(after + 3);
}

std::string page_site_name(const std::string& address) {
  const std::string origin = origin_of(address);
  if (!origin.empty()) return origin_display_name(origin);
  // A local file or a data address: its beginning says what it is, the rest is cut.
  return address;
}

SitePermissions::SitePermissions() : path_(site_permissions_path()) {}

std::optional<bool> SitePermissions::decision(const std::string& origin,
                                              SitePermission permission) const {
  if (origin.empty()) return std::nullopt;
  OwnedKeyFile file = load(path_);
  return stored(file.get(), origin.c_str(), permission_key(permission));
}

bool SitePermissions::remember(const std::string& origin, SitePermission permission,
                               bool allowed) const {
  if (origin.empty() || origin != origin_of(origin)) return false;
  OwnedKeyFile file = load(path_);
  g_key_file_set_value(file.get(), origin.c_str(), permission_key(permission),
                       allowed ? "allow" : "deny");
  return save(file.get(), path_);
}

bool SitePermissions::forget(const std::string& origin, SitePermission permission) const {
  OwnedKeyFile file = load(path_);
  if (g_key_file_remove_key(file.get(), origin.c_str(), permission_key(permission), nullptr) ==
      FALSE) {
    return false;
  }
  gsize left = 0;
  OwnedStrv keys(g_key_file_get_keys(file.get(), origin.c_str(), &left, nullptr));
  if (left == 0) g_key_file_remove_group(file.get(), origin.c_str(), nullptr);
  return save(file.get(), path_);
}

std::vector<PermissionDecision> SitePermissions::all() const {
  std::vector<PermissionDecision> decisions;
  OwnedKeyFile file = load(path_);
  OwnedStrv groups(g_key_file_get_groups(file.get(), nullptr));
  for (gchar** group = groups.get(); group != nullptr && *group != nullptr; ++group) {
    if (origin_of(*group) != *group) continue;  // not written by us
    OwnedStrv keys(g_key_file_get_keys(file.get(), *group, nullptr, nullptr));
    for (gchar** key = keys.get(); key != nullptr && *key != nullptr; ++key) {
      const auto permission = permission_from_key(*key);
      if (!permission) continue;
      if (const auto allowed = stored(file.get(), *group, *key)) {
        decisions.push_back({*group, *permission, *allowed});
      }
    }
  }
  return decisions;
}

}  // namespace kv
