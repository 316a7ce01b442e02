#include "browser/addresses.h"

#include <glib.h>

#include <memory>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

bool is_ascii_alpha(gunichar c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool is_ascii_digit(gunichar c) {
  return c >= '0' && c <= '9';
}

// "scheme://" where scheme is ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ).
bool starts_with_scheme_and_slashes(const Glib::ustring& text) {
  auto it = text.begin();
  if (it == text.end() || !is_ascii_alpha(*it)) return false;
  for (++it; it != text.end(); ++it) {
    const gunichar c = *it;
    if (c == ':') break;
    if (!is_ascii_alpha(c) && !is_ascii_digit(c) && c != '+' && c != '-' && c != '.') {
      return false;
    }
  }
  if (it == text.end()) return false;
  ++it;
  for (int slash = 0; slash < 2; ++slash, ++it) {
    if (it == text.end() || *it != '/') return false;
  }
  return true;
}

bool starts_with_about(const Glib::ustring& text) {
  return g_ascii_strncasecmp(text.c_str(), "about:", 6) == 0;
}

}  // namespace

Glib::ustring navigation_address(const Glib::ustring& typed) {
  if (starts_with_scheme_and_slashes(typed) || starts_with_about(typed)) return typed;
  return "http://" + typed;
}

Glib::ustring search_address(const Glib::ustring& text) {
  return Glib::ustring(kSearchUrlPrefix) +
         take_string(g_uri_escape_string(text.c_str(), nullptr, FALSE));
}

}  // namespace kv
