#include "shell/text_folding.h"

#include <glib.h>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

bool starts_with_nocase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         g_ascii_strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// The scheme and "www." that every address of the web carries, so that typing the
// site's name finds it at once.
std::string_view without_web_prefix(std::string_view text) {
  for (std::string_view scheme : {"http://", "https://"}) {
    if (starts_with_nocase(text, scheme)) {
      text.remove_prefix(scheme.size());
      break;
    }
  }
  if (starts_with_nocase(text, "www.")) text.remove_prefix(4);
  return text;
}

bool is_plain_ascii(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 || byte < 0x20 || byte == 0x7F) return false;
  }
  return true;
}

}  // namespace

std::string fold_text(std::string_view text) {
  // Most titles and addresses are plain ASCII: lower case is all they need.
  if (is_plain_ascii(text)) {
    std::string folded(text);
    for (char& c : folded) c = g_ascii_tolower(c);
    return folded;
  }
  const OwnedChars valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
  const OwnedChars lower(g_utf8_casefold(valid.get(), -1));
  const OwnedChars split(g_utf8_normalize(lower.get(), -1, G_NORMALIZE_NFKD));
  std::string folded;
  if (!split) return folded;
  folded.reserve(text.size());
  for (const gchar* p = split.get(); *p != '\0'; p = g_utf8_next_char(p)) {
    const gunichar c = g_utf8_get_char(p);
    if (g_unichar_ismark(c)) continue;
    if (g_unichar_iscntrl(c)) {
      folded += ' ';
      continue;
    }
    folded.append(p, static_cast<std::size_t>(g_utf8_next_char(p) - p));
  }
  return folded;
}

std::string address_stem(std::string_view address) {
  const std::string raw(without_web_prefix(address));
  // An escape that makes no valid text, or a 0 byte, leaves the address as it is.
  const OwnedChars decoded(g_uri_unescape_string(raw.c_str(), nullptr));
  if (decoded && g_utf8_validate(decoded.get(), -1, nullptr)) return fold_text(decoded.get());
  return fold_text(raw);
}

std::string_view stem_host(std::string_view stem) {
  return stem.substr(0, std::min(stem.find_first_of("/?#:"), stem.size()));
}

std::string_view typed_stem(std::string_view folded) {
  const std::string_view stem = without_web_prefix(folded);
  return stem.empty() ? folded : stem;
}

}  // namespace kv
