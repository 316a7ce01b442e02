#pragma once

#include <glibmm/ustring.h>

namespace kv {

// The search service's addresses: every new window opens the start page, the Home
// button the home page, and a search appends its text to the search prefix.
inline constexpr const char* kStartPageUrl = "http://google.com";
inline constexpr const char* kHomePageUrl = "http://www.google.com";
inline constexpr const char* kSearchUrlPrefix = "http://www.google.com/search?q=";

// The address that Go navigates to for the address bar's text: "http://" in front,
// unless the text already names a scheme ("scheme://...", or "about:..."), in which
// case it goes as typed.
Glib::ustring navigation_address(const Glib::ustring& typed);

// The search address for the search box's text, percent-encoded as UTF-8.
Glib::ustring search_address(const Glib::ustring& text);

}  // namespace kv
