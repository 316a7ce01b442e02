#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "bookmarks/xbel.h"

namespace kv {

// The favourites list of fav.Dat lives in the server file as a folder of its own, one
// bookmark per line in the list's order, each with the line's text as its address.
inline constexpr const char* kListFolderTitle = "Kestrivane Favorites List";
// A line whose bytes its address cannot show (not UTF-8, or a character XML cannot
// carry) keeps them in metadata of ours, so that every machine writes the same bytes.
inline constexpr const char* kListOwner = "urn:kestrivane:favorites-list";
inline constexpr const char* kListBytes = "bytes";

// What shows the text of a line's bytes (the favourites list's own reading).
using ListText = std::function<std::string(std::string_view bytes)>;

// The fav.Dat line of a bookmark of the list: the bytes our metadata keeps while they
// still show the bookmark's address (another program may have changed it since), or
// else the address itself.
std::string list_line_of(const XbelItem& bookmark, const ListText& text_of);

// Keeps `bytes` on the bookmark, or drops what was kept when its address shows them.
void keep_list_line(XbelItem& bookmark, const std::string& bytes);

// Whether a line of fav.Dat can hold these bytes: no line end in them.
bool fits_list_line(std::string_view bytes);

std::string hex_bytes(std::string_view bytes);
// nullopt for anything that is not an even number of hex digits.
std::optional<std::string> bytes_of_hex(std::string_view hex);

}  // namespace kv
