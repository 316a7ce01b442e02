#include "desktop/page_title.h"

#include <glib.h>

#include <algorithm>
#include <array>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

// Format characters that are seen: signs written before numbers in Arabic and Syriac
// scripts, and the joiners that scripts and emoji are spelled with.
bool visible_format(gunichar c) {
  return (c >= 0x0600 && c <= 0x0605) || c == 0x06DD || c == 0x070F || c == 0x0890 || c == 0x0891 ||
         c == 0x08E2 || c == 0x110BD || c == 0x110CD || c == 0x200C || c == 0x200D;
}

// Characters that show as nothing but empty width.
bool blank(gunichar c) {
  return g_unichar_isspace(c) != FALSE || g_unichar_type(c) == G_UNICODE_SPACE_SEPARATOR ||
         g_unichar_type(c) == G_UNICODE_CONTROL || c == 0x115F || c == 0x1160 || c == 0x3164 ||
         c == 0xFFA0 || c == 0x2800;
}

void append(std::string& text, gunichar c) {
  std::array<gchar, 6> bytes{};
  text.append(bytes.data(), static_cast<std::size_t>(g_unichar_to_utf8(c, bytes.data())));
}

// Look-alikes of the characters that addresses are written with, which compatibility
// normalisation leaves as they are.
gunichar plain_punctuation(gunichar c) {
  switch (c) {
    case 0x2044:  // fraction slash
    case 0x2215:  // division slash
    case 0x29F8:  // big solidus
    case 0x2571:  // box drawing diagonal
      return '/';
    case 0x2236:  // ratio
    case 0xA789:  // modifier letter colon
    case 0x02D0:  // modifier letter triangular colon
    case 0x0589:  // Armenian full stop
      return ':';
    case 0x3002:  // ideographic full stop
    case 0xFF61:  // halfwidth ideographic full stop
    case 0x2219:  // bullet operator
    case 0x00B7:  // middle dot
      return '.';
    default:
      return c;
  }
}

bool host_character(char c) {
  return g_ascii_isalnum(c) != FALSE || c == '-' || (static_cast<unsigned char>(c) & 0x80) != 0;
}

// "bank.example", "bank.example:8443/login", "localhost", "127.0.0.1:8002/x"...: labels
// of letters, digits and hyphens joined by dots, the last of letters, or "localhost";
// then a port, a path, punctuation or the end of the word.
bool begins_with_host(std::string_view word) {
  std::size_t at = 0;
  int labels = 0;
  std::string_view last;
  while (true) {
    const std::size_t start = at;
    while (at < word.size() && host_character(word[at])) ++at;
    if (at == start) return false;
    last = word.substr(start, at - start);
    ++labels;
    if (at < word.size() && word[at] == '.' && at + 1 < word.size() &&
        host_character(word[at + 1])) {
      ++at;
      continue;
    }
    break;
  }
  // A port, a path, a full stop, a closing quote... but not more of a word.
  if (at < word.size() && host_character(word[at])) return false;
  if (labels == 1) return last == "localhost";
  const bool named = last.size() >= 2 && std::all_of(last.begin(), last.end(), [](char c) {
                       return g_ascii_isalpha(c) != FALSE || (static_cast<unsigned char>(c) & 0x80);
                     });
  const bool numbered =
      labels == 4 && std::all_of(word.begin(), word.begin() + static_cast<std::ptrdiff_t>(at),
                                 [](char c) { return g_ascii_isdigit(c) != FALSE || c == '.'; });
  return named || numbered;
}

}  // namespace

std::string shown_title(std::string_view title) {
  const OwnedChars valid(g_utf8_make_valid(title.data(), static_cast<gssize>(title.size())));
  std::string shown;
  bool space = false;
  for (const char* at = valid.get(); *at != '\0'; at = g_utf8_next_char(at)) {
    const gunichar c = g_utf8_get_char(at);
    if (blank(c)) {
      space = !shown.empty();
      continue;
    }
    if ((g_unichar_type(c) == G_UNICODE_FORMAT && !visible_format(c)) ||
        (c >= 0xE0000 && c <= 0xE0FFF)) {
      continue;
    }
    if (space) shown += ' ';
    space = false;
    append(shown, c);
  }
  return shown;
}

bool reads_like_address(std::string_view title) {
  const std::string shown = shown_title(title);
  const OwnedChars normal(
      g_utf8_normalize(shown.c_str(), static_cast<gssize>(shown.size()), G_NORMALIZE_ALL));
  if (!normal) return false;
  std::string text;
  for (const char* at = normal.get(); *at != '\0'; at = g_utf8_next_char(at)) {
    append(text, g_unichar_tolower(plain_punctuation(g_utf8_get_char(at))));
  }
  if (text.find("://") != std::string::npos || text.find("www.") != std::string::npos) return true;
  // The first word, after any quotes or brackets around it.
  std::size_t start = 0;
  while (start < text.size() && g_ascii_ispunct(text[start]) != FALSE) ++start;
  const std::size_t end = std::min(text.find(' ', start), text.size());
  const std::string_view word = std::string_view(text).substr(start, end - start);
  for (const std::string_view scheme : {"http:", "https:", "file:", "ftp:"}) {
    if (word.starts_with(scheme)) return true;
  }
  return begins_with_host(word);
}

}  // namespace kv
