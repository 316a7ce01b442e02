#include "shell/shell_folder_id.h"

#include <glib.h>

#include <cstring>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

constexpr std::uint8_t kRootMagic[4] = {'k', 'v', 's', 'f'};
constexpr std::size_t kRootSize = 8;
constexpr std::uint8_t kSubfolderTag = 0x31;
constexpr std::size_t kMaxListSize = 32767;

void put_u16(std::vector<std::uint8_t>& out, std::size_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

std::size_t get_u16(const std::uint8_t* at) {
  return at[0] | (static_cast<std::size_t>(at[1]) << 8);
}

const char* host_of(int csidl) {
  switch (csidl) {
    case CSIDL_FAVORITES:
      return "favorites";
    case CSIDL_HISTORY:
      return "history";
    default:
      return nullptr;
  }
}

}  // namespace

bool valid_subfolder_name(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

std::vector<std::uint8_t> encode_item_id_list(const ShellFolder& folder) {
  std::vector<std::uint8_t> out;
  put_u16(out, kRootSize);
  out.insert(out.end(), std::begin(kRootMagic), std::end(kRootMagic));
  put_u16(out, static_cast<std::size_t>(folder.csidl));
  for (const std::string& name : folder.path) {
    put_u16(out, 3 + name.size());
    out.push_back(kSubfolderTag);
    out.insert(out.end(), name.begin(), name.end());
  }
  put_u16(out, 0);
  return out;
}

std::optional<ShellFolder> decode_item_id_list(const std::uint8_t* bytes, std::size_t size) {
  if (bytes == nullptr || size > kMaxListSize) return std::nullopt;
  ShellFolder folder;
  std::size_t at = 0;
  bool root_seen = false;
  while (true) {
    if (size - at < 2) return std::nullopt;  // no terminator inside the bytes given
    const std::size_t item = get_u16(bytes + at);
    if (item == 0) break;
    if (item < 3 || item > size - at) return std::nullopt;
    const std::uint8_t* data = bytes + at + 2;
    if (!root_seen) {
      if (item != kRootSize || std::memcmp(data, kRootMagic, sizeof kRootMagic) != 0) {
        return std::nullopt;
      }
      folder.csidl = static_cast<int>(get_u16(data + 4));
      if (host_of(folder.csidl) == nullptr) return std::nullopt;
      root_seen = true;
    } else {
      if (folder.csidl != CSIDL_FAVORITES || data[0] != kSubfolderTag) return std::nullopt;
      std::string name(reinterpret_cast<const char*>(data + 1), item - 3);
      if (!valid_subfolder_name(name)) return std::nullopt;
      folder.path.push_back(std::move(name));
    }
    at += item;
  }
  if (!root_seen) return std::nullopt;
  return folder;
}

std::string folder_uri(const ShellFolder& folder) {
  const char* host = host_of(folder.csidl);
  std::string uri = std::string(kShellScheme) + "://" + (host != nullptr ? host : "") + "/";
  for (std::size_t i = 0; i < folder.path.size(); ++i) {
    const std::string& name = folder.path[i];
    if (i > 0) uri += "/";
    uri += take_string(
        g_uri_escape_bytes(reinterpret_cast<const guint8*>(name.data()), name.size(), nullptr));
  }
  return uri;
}

std::optional<ShellFolder> parse_folder_uri(const std::string& uri) {
  const std::string prefix = std::string(kShellScheme) + "://";
  if (uri.size() < prefix.size() ||
      g_ascii_strncasecmp(uri.c_str(), prefix.c_str(), prefix.size()) != 0) {
    return std::nullopt;
  }
  std::string rest = uri.substr(prefix.size());
  rest = rest.substr(0, rest.find_first_of("?#"));
  const std::size_t slash = rest.find('/');
  const std::string host = rest.substr(0, slash);
  const std::string path = slash == std::string::npos ? "" : rest.substr(slash + 1);

  ShellFolder folder;
  if (g_ascii_strcasecmp(host.c_str(), "favorites") == 0) {
    folder.csidl = CSIDL_FAVORITES;
  } else if (g_ascii_strcasecmp(host.c_str(), "history") == 0) {
    folder.csidl = CSIDL_HISTORY;
  } else {
    return std::nullopt;
  }
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;  // "a//b" and a trailing slash name the same folder
    const OwnedBytes raw(
        g_uri_unescape_bytes(part.c_str(), static_cast<gssize>(part.size()), nullptr, nullptr));
    if (!raw) return std::nullopt;
    gsize length = 0;
    const auto* data = static_cast<const char*>(g_bytes_get_data(raw.get(), &length));
    std::string name(data != nullptr ? data : "", length);
    if (!valid_subfolder_name(name)) return std::nullopt;
    folder.path.push_back(std::move(name));
  }
  if (folder.csidl == CSIDL_HISTORY && !folder.path.empty()) return std::nullopt;
  return folder;
}

}  // namespace kv
