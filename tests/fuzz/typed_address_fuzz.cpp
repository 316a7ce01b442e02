// Texts typed into the address bar and the search box. Go keeps an address that names a
// scheme as typed and puts "http://" in front of anything else, as the URI rules read
// the text; the search address carries the text whole, percent-encoded.
#include <glib.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "browser/addresses.h"
#include "fuzz_support.h"

namespace {

using kv::fuzz::require;

bool names_scheme(const std::string& text) {
  if (g_ascii_strncasecmp(text.c_str(), "about:", 6) == 0) return true;
  gchar* scheme = g_uri_parse_scheme(text.c_str());
  const bool slashes = scheme != nullptr && text.compare(std::strlen(scheme) + 1, 2, "//") == 0;
  g_free(scheme);
  return slashes;
}

void check_go(const std::string& typed) {
  const std::string address = kv::navigation_address(typed).raw();
  if (names_scheme(typed)) {
    require(address == typed, "an address with a scheme was changed");
  } else {
    require(address == "http://" + typed, "an address without a scheme got no http://");
  }
  require(kv::navigation_address(address).raw() == address, "Go on Go's own address changed it");
}

void check_search(const std::string& text) {
  const std::string address = kv::search_address(text).raw();
  const std::string prefix = kv::kSearchUrlPrefix;
  require(address.starts_with(prefix), "a search address without the search prefix");
  const std::string query = address.substr(prefix.size());
  for (const char c : query) {
    require(g_ascii_isalnum(c) || std::string("-._~%").find(c) != std::string::npos,
            "a search address with a character that is not encoded");
  }
  gchar* decoded = g_uri_unescape_string(query.c_str(), nullptr);
  require(decoded != nullptr && text == decoded, "a search text that does not decode whole");
  g_free(decoded);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text =
      kv::fuzz::as_entry_text(std::string_view(reinterpret_cast<const char*>(data), size));
  check_go(text);
  check_search(text);
  return 0;
}
