#include "sync/list_lines.h"

namespace kv {
namespace {

int digit_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string hex_bytes(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    out += kDigits[byte >> 4U];
    out += kDigits[byte & 0xFU];
  }
  return out;
}

std::optional<std::string> bytes_of_hex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = digit_value(hex[i]);
    const int low = digit_value(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
  }
  return out;
}

std::string list_line_of(const XbelItem& bookmark, const ListText& text_of) {
  if (const auto kept = xbel_metadata(bookmark, kListOwner, kListBytes)) {
    if (const auto bytes = bytes_of_hex(*kept)) {
      if (fits_list_line(*bytes) && xbel_text(text_of(*bytes)) == bookmark.href) return *bytes;
    }
  }
  return bookmark.href;
}

void keep_list_line(XbelItem& bookmark, const std::string& bytes) {
  const std::optional<std::string> wanted =
      bytes == bookmark.href ? std::nullopt : std::optional<std::string>(hex_bytes(bytes));
  if (xbel_metadata(bookmark, kListOwner, kListBytes) != wanted) {
    set_xbel_metadata(bookmark, kListOwner, kListBytes, wanted);
  }
}

bool fits_list_line(std::string_view bytes) {
  // A CR at the end would be read as part of the line end.
  return bytes.find('\n') == std::string_view::npos && !bytes.ends_with('\r');
}

}  // namespace kv
