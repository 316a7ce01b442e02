#pragma once

#include <glibmm/ustring.h>

namespace kv {

// The home page that the browser control's GoHome opens, until the user sets one in
// the Internet Options program.
inline constexpr const char* kDefaultHomePage = "https://www.debian.org/";

// The home page set in Internet Options, or the default; read afresh on each call so
// that a change made in the Internet Options program applies at once.
Glib::ustring configured_home_page();

// Stores the home page; false when the settings file could not be written.
bool save_home_page(const Glib::ustring& address);

}  // namespace kv
