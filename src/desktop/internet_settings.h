#pragma once

#include <glibmm/ustring.h>

#include <string>
#include <string_view>

namespace kv {

// The home page that the browser control's GoHome opens, until the user sets one in
// the Internet Options program.
inline constexpr const char* kDefaultHomePage = "https://www.debian.org/";

// The home page set in Internet Options, or the default; read afresh on each call so
// that a change made in the Internet Options program applies at once.
Glib::ustring configured_home_page();

// Stores the home page; false when the settings file could not be written.
bool save_home_page(const Glib::ustring& address);

// Whether the browser offers to save the passwords of forms it sees submitted (on until
// the user turns it off); read afresh on each call, like the home page.
bool offer_to_save_passwords();
bool save_offer_to_save_passwords(bool offer);

// Whether pages may be drawn with the GPU where the machine has a usable one (on until the
// user turns it off). The browser reads it once, as it starts: the engine's drawing is
// chosen before its first page.
bool use_hardware_acceleration();
bool save_use_hardware_acceleration(bool use);

// The same for the settings file's text: the home page it sets (or the default), and the
// text with the home page set to `address` (without white space at its ends) and everything
// else it held kept.
Glib::ustring home_page_in(std::string_view settings);
std::string with_home_page(std::string_view settings, const Glib::ustring& address);

}  // namespace kv
