#include "engine/requests/window_request_address.h"

#include <glib.h>

#include <string>

#include "desktop/glib_handles.h"

namespace kv {

bool loads_into_new_window(std::string_view uri) {
  if (uri.empty() || uri == "about:blank") return true;
  // Not g_uri_peek_scheme: that keeps every scheme a page names for the program's life.
  const OwnedChars scheme(g_uri_parse_scheme(std::string(uri).c_str()));
  if (!scheme) return false;
  return g_ascii_strcasecmp(scheme.get(), "http") == 0 ||
         g_ascii_strcasecmp(scheme.get(), "https") == 0;
}

}  // namespace kv
