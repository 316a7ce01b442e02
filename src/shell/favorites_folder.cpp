#include "shell/favorites_folder.h"

#include <fcntl.h>
#include <glib.h>
#include <glibmm/convert.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

// Link files are a few lines; anything past this is not read.
constexpr std::size_t kMaxLinkFileBytes = 16 * 1024;
// Names looked at in one folder, so that a folder of millions stays cheap.
constexpr std::size_t kMaxNamesScanned = 200000;

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return "";
  const auto last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

bool ends_with_nocase(const std::string& name, const char* suffix) {
  const std::size_t n = std::strlen(suffix);
  return name.size() > n && g_ascii_strcasecmp(name.c_str() + name.size() - n, suffix) == 0;
}

std::string valid_utf8(const std::string& text) {
  return take_string(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
}

// Calls `entry(section, key, value)` for each key line of an INI-like text, tolerating
// anything malformed by skipping it.
template <typename Entry>
void for_each_key(const std::string& text, Entry&& entry) {
  std::string section;
  std::size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;  // UTF-8 byte-order mark
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = trimmed(std::string_view(text).substr(start, end - start));
    start = end + 1;
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      const auto close = line.find(']');
      section = close == std::string::npos ? "" : line.substr(1, close - 1);
      continue;
    }
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    entry(section, trimmed(std::string_view(line).substr(0, equals)),
          trimmed(std::string_view(line).substr(equals + 1)));
  }
}

// The first bytes of a regular file; nullopt for anything else or on any error. The
// file is checked before it is opened (a FIFO named "x.url" must not block us) and again
// after (it may have been swapped in between).
std::optional<std::string> read_head(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> result;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    std::string data(kMaxLinkFileBytes, '\0');
    std::size_t filled = 0;
    while (filled < data.size()) {
      const ssize_t got = ::read(fd, data.data() + filled, data.size() - filled);
      if (got <= 0) break;
      filled += static_cast<std::size_t>(got);
    }
    data.resize(filled);
    result = std::move(data);
  }
  ::close(fd);
  return result;
}

std::string display_name(const std::string& file_name) {
  return Glib::filename_display_name(file_name);
}

std::string without_extension(const std::string& name) {
  const auto dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

struct Named {
  std::string key;  // collation key
  std::string file_name;
  std::string shown;
};

void sort_by_name(std::vector<Named>& items) {
  // Case does not order names, whatever the locale.
  for (Named& item : items) {
    const OwnedChars folded(g_utf8_casefold(item.shown.c_str(), -1));
    item.key = take_string(g_utf8_collate_key_for_filename(folded.get(), -1));
  }
  std::sort(items.begin(), items.end(),
            [](const Named& a, const Named& b) { return a.key < b.key; });
}

FolderLink read_link(const std::string& folder, const Named& item) {
  FolderLink link{without_extension(item.shown), "", item.file_name};
  const auto text = read_head(folder + "/" + item.file_name);
  if (!text) return link;
  if (ends_with_nocase(item.file_name, ".url")) {
    if (auto address = internet_shortcut_address(*text)) link.address = valid_utf8(*address);
  } else if (auto found = desktop_link(*text)) {
    link.address = valid_utf8(found->address);
    if (!found->name.empty()) link.name = valid_utf8(found->name);
  }
  return link;
}

}  // namespace

std::optional<std::string> internet_shortcut_address(const std::string& text) {
  std::optional<std::string> address;
  for_each_key(text,
               [&](const std::string& section, const std::string& key, const std::string& value) {
                 if (!address && g_ascii_strcasecmp(section.c_str(), "InternetShortcut") == 0 &&
                     g_ascii_strcasecmp(key.c_str(), "URL") == 0 && !value.empty()) {
                   address = value;
                 }
               });
  return address;
}

std::optional<DesktopLink> desktop_link(const std::string& text) {
  DesktopLink link;
  bool is_link = false;
  for_each_key(text,
               [&](const std::string& section, const std::string& key, const std::string& value) {
                 if (section != "Desktop Entry") return;
                 if (key == "Type") is_link = value == "Link";
                 if (key == "URL" && link.address.empty()) link.address = value;
                 if (key == "Name" && link.name.empty()) link.name = value;
               });
  if (!is_link || link.address.empty()) return std::nullopt;
  return link;
}

FolderListing read_favorites_folder(const std::string& folder, std::size_t limit) {
  FolderListing listing;
  std::error_code error;
  std::filesystem::directory_iterator it(folder, error);
  if (error) return listing;
  listing.readable = true;

  std::vector<Named> folders;
  std::vector<Named> links;
  std::size_t scanned = 0;
  for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (error) break;
    if (++scanned > kMaxNamesScanned) {
      ++listing.omitted;
      break;
    }
    const std::string file_name = it->path().filename().string();
    if (file_name.empty() || file_name[0] == '.') continue;
    std::error_code ignored;
    if (it->is_directory(ignored)) {
      folders.push_back({"", file_name, display_name(file_name)});
    } else if ((ends_with_nocase(file_name, ".url") || ends_with_nocase(file_name, ".desktop")) &&
               it->is_regular_file(ignored)) {
      links.push_back({"", file_name, display_name(file_name)});
    }
  }
  sort_by_name(folders);
  sort_by_name(links);

  for (const Named& item : folders) {
    if (listing.subfolders.size() >= limit) {
      ++listing.omitted;
      continue;
    }
    listing.subfolders.push_back(item.file_name);
    listing.subfolder_names.push_back(item.shown);
  }
  for (const Named& item : links) {
    if (listing.subfolders.size() + listing.links.size() >= limit) {
      ++listing.omitted;
      continue;
    }
    listing.links.push_back(read_link(folder, item));
  }
  return listing;
}

}  // namespace kv
