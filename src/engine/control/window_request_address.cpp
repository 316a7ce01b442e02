#include "engine/control/window_request_address.h"

#include <glib.h>

#include <string>

namespace kv {

bool loads_into_new_window(std::string_view uri) {
  if (uri.empty() || uri == "about:blank") return true;
  const std::string text(uri);
  const char* scheme = g_uri_peek_scheme(text.c_str());  // lower case, or null
  if (scheme == nullptr) return false;
  const std::string_view name(scheme);
  return name == "http" || name == "https";
}

}  // namespace kv
