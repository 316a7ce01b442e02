#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kv {

// A link file of the favourites folder: its display name and the address it points to.
struct FolderLink {
  std::string name;       // UTF-8
  std::string address;    // UTF-8; may be "" for a link file without an address
  std::string file_name;  // as on disk
};

// What a favourites folder holds, sorted by name as a file manager would.
struct FolderListing {
  bool readable = false;
  std::vector<std::string> subfolders;       // file-system names (for addresses)
  std::vector<std::string> subfolder_names;  // the same, for display (UTF-8)
  std::vector<FolderLink> links;
  std::size_t omitted = 0;  // entries left out beyond the limit
};

// Reads the subfolders and link files (".url" internet shortcuts and ".desktop" links) of
// `folder`, at most `limit` of them. Hidden entries and other files are left out; a link
// file that cannot be read or parsed is listed without an address. Special files are never
// opened and each link file is read only up to a few kilobytes, so odd contents cannot
// make this block or use much memory.
FolderListing read_favorites_folder(const std::string& folder, std::size_t limit);

// The address of an internet shortcut ("[InternetShortcut]" then "URL=..."), and of a
// desktop link ("[Desktop Entry]", "Type=Link", "URL=..."); nullopt when there is none.
std::optional<std::string> internet_shortcut_address(const std::string& text);
struct DesktopLink {
  std::string name;  // "" when the file gives none
  std::string address;
};
std::optional<DesktopLink> desktop_link(const std::string& text);

}  // namespace kv
