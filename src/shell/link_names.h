#pragma once

#include <string>
#include <string_view>

namespace kv {

// Longest name stem that a folder or link file of the favourites folder gets, in bytes:
// with a " (n)" and ".url" after it, it stays well inside what file systems take.
inline constexpr std::size_t kMaxLinkNameBytes = 200;

// `title` as the name of a file or folder in the favourites folder, reading as close to
// the title as it can: valid UTF-8, slashes as a look-alike, control characters and runs
// of blanks as one space, no leading dots or blanks, at most kMaxLinkNameBytes bytes cut
// at a character's end; `fallback` when nothing is left or only "." or "..".
std::string safe_link_name(std::string_view title, std::string_view fallback);

// `stem` with " (n)" after it for n > 1, as a second thing of one name is told apart.
std::string numbered_name(const std::string& stem, int n);

// The text of an internet shortcut for `address`, which reads back with
// internet_shortcut_address when `address` is one trimmed line.
std::string internet_shortcut_text(std::string_view address);

}  // namespace kv
