#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kv {

// What a site may ask for. The names are the keys of the permissions file.
enum class SitePermission {
  kLocation,
  kNotifications,
  kCamera,
  kMicrophone,
  kCameraAndMicrophone,
  kScreen,
  kPointerLock,
  kClipboard,
  kWebsiteData,
  kDevices,
  kSavePasswords,  // never asked by a page: "Never for This Site" is kept as a denial
};

const char* permission_key(SitePermission permission);
std::optional<SitePermission> permission_from_key(const std::string& key);
// The end of the question: "wants to know your location."
const char* permission_question(SitePermission permission);

// "scheme://host[:port]" of an address whose origin can be remembered (http, https);
// empty for any other address, or one whose host the file could not keep safely.
std::string origin_of(const std::string& uri);
// The origin as a question names it: "127.0.0.1:8080", "example.org".
std::string origin_display_name(const std::string& origin);
// How the program names the page at `address` over it: its host (and port) for a web
// page, otherwise the address itself.
std::string page_site_name(const std::string& address);

struct PermissionDecision {
  std::string origin;
  SitePermission permission;
  bool allowed;
};

// The user's remembered answers, per origin, in one key file shared by every copy of
// the program and the Internet Options program. Each call reads the file afresh, so a
// decision removed elsewhere is gone here too; a damaged file reads as empty.
class SitePermissions {
 public:
  // The user's permissions file.
  SitePermissions();
  explicit SitePermissions(std::string path) : path_(std::move(path)) {}

  [[nodiscard]] std::optional<bool> decision(const std::string& origin,
                                             SitePermission permission) const;
  // false when the origin cannot be kept or the file could not be written.
  bool remember(const std::string& origin, SitePermission permission, bool allowed) const;
  bool forget(const std::string& origin, SitePermission permission) const;
  [[nodiscard]] std::vector<PermissionDecision> all() const;
  [[nodiscard]] const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace kv
