#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kv {

// Folder ids of the special folders this shell knows.
inline constexpr int CSIDL_FAVORITES = 6;
inline constexpr int CSIDL_HISTORY = 34;

// A folder that the shell can show: one of the special folders, and for the favourites
// folder a path of subfolder names below it (file-system bytes, not necessarily UTF-8).
struct ShellFolder {
  int csidl = 0;
  std::vector<std::string> path;

  bool operator==(const ShellFolder&) const = default;
};

// Item-id lists of this shell. Every item id is a 16-bit little-endian size that counts
// the whole item (its own 2 bytes included) followed by its data; a size of 0 ends the
// list. The items used here:
//
//   root       size 8:     'k' 'v' 's' 'f', then the folder id as 16-bit little-endian
//   subfolder  size 3 + n: 0x31, then the n bytes of the subfolder's name (n >= 1)
//
// A list is one root item, then (favourites only) one subfolder item per level, then the
// two zero bytes. Names are never empty, ".", ".." and never hold '/' or NUL, so a list
// cannot name anything outside the favourites folder.
std::vector<std::uint8_t> encode_item_id_list(const ShellFolder& folder);

// Decodes at most `size` bytes; nullopt for anything that is not a well-formed list of
// this shell (wrong sizes, unknown folder, bad names, missing terminator).
std::optional<ShellFolder> decode_item_id_list(const std::uint8_t* bytes, std::size_t size);

// Whether `name` may be a subfolder name in a list or an address.
bool valid_subfolder_name(const std::string& name);

// The scheme under which the folder pane shows shell folders, and the address of a
// folder there: "kv-shell://favorites/Sub%20Folder/Inner", "kv-shell://history/".
inline constexpr const char* kShellScheme = "kv-shell";
std::string folder_uri(const ShellFolder& folder);
// nullopt for an address that names no folder of this shell.
std::optional<ShellFolder> parse_folder_uri(const std::string& uri);

}  // namespace kv
