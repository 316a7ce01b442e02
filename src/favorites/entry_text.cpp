#include "favorites/entry_text.h"

#include <glib.h>

#include <array>
#include <cstring>

namespace kv {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char16_t, 32> kHighControls{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// ASCII without 0 bytes, the common case, in one pass the compiler can vectorise:
// c | (c - 1) has its top bit set exactly for 0 and for bytes of 0x80 and up.
bool plain_ascii(std::string_view text) {
  unsigned char seen = 0;
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    seen |= static_cast<unsigned char>(byte | static_cast<unsigned char>(byte - 1U));
  }
  return (seen & 0x80U) == 0;
}

bool valid_utf8(std::string_view text) {
  if (text.empty()) return true;
  // g_utf8_validate_len also refuses 0 bytes, which callers split out first.
  return g_utf8_validate_len(text.data(), text.size(), nullptr) != FALSE;
}

void append_code_point(std::string& out, char32_t cp) {
  std::array<char, 6> buffer{};
  const gint length = g_unichar_to_utf8(static_cast<gunichar>(cp), buffer.data());
  out.append(buffer.data(), static_cast<std::size_t>(length));
}

// Valid UTF-8 apart from its 0 bytes: those become U+FFFD. False, with `out` left
// unfinished, when some other part is not UTF-8.
bool utf8_with_nuls(std::string_view line, std::string& out) {
  out.clear();
  out.reserve(line.size() + 8);
  while (true) {
    const std::size_t nul = line.find('\0');
    const std::string_view part = line.substr(0, nul);
    if (!valid_utf8(part)) return false;
    out.append(part);
    if (nul == std::string_view::npos) return true;
    out.append(kReplacement);
    line.remove_prefix(nul + 1);
  }
}

}  // namespace

char32_t windows1252_code_point(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls.at(byte - 0x80U);
  return byte;
}

std::string_view entry_text(std::string_view line, std::string& scratch) {
  if (plain_ascii(line) || valid_utf8(line)) return line;
  if (std::memchr(line.data(), '\0', line.size()) != nullptr && utf8_with_nuls(line, scratch)) {
    return scratch;
  }
  scratch.clear();
  scratch.reserve(line.size() * 2);
  for (const char ch : line) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte == 0) {
      scratch.append(kReplacement);
    } else if (byte < 0x80) {
      scratch.push_back(ch);
    } else {
      append_code_point(scratch, windows1252_code_point(byte));
    }
  }
  return scratch;
}

}  // namespace kv
