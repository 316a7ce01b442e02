#pragma once

#include <string>
#include <string_view>

namespace kv {

// A page's title as the program's own widgets show it (captions, lists, dialogs): valid
// UTF-8 on one line, without the invisible characters that change how the text around
// them reads. Gone are the direction marks, embeddings, overrides and isolates
// (U+200E, U+200F, U+061C, U+202A to U+202E, U+2066 to U+2069) and every other invisible
// format character (zero-width space, word joiner, soft hyphen, byte order mark, tag
// characters...), except the zero-width joiner and non-joiner that some scripts and
// emoji are spelled with. Controls, line breaks, blank fillers and runs of spaces
// become one space; spaces at the ends go.
std::string shown_title(std::string_view title);

// Whether a shown title reads like a web address: a scheme ("http://", "https:"), "www.",
// or a host name first ("bank.example/login", "localhost:8002"), also when written with
// full-width or look-alike colons, slashes and dots. Such a title says nothing that the
// page's own address would not say truly.
bool reads_like_address(std::string_view title);

}  // namespace kv
