#include "shell/link_names.h"

#include <glib.h>

#include "desktop/glib_handles.h"

namespace kv {

std::string safe_link_name(std::string_view title, std::string_view fallback) {
  const std::string valid =
      take_string(g_utf8_make_valid(title.data(), static_cast<gssize>(title.size())));
  std::string name;
  name.reserve(valid.size());
  bool blank = false;
  for (const char c : valid) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == ' ') {
      blank = true;
      continue;
    }
    if (blank && !name.empty()) name += ' ';
    blank = false;
    if (c == '/') {
      name += "\xE2\x88\x95";  // U+2215 DIVISION SLASH
    } else if (c == '.' && name.empty()) {
      continue;  // a leading dot hides the file
    } else {
      name += c;
    }
  }
  if (name.size() > kMaxLinkNameBytes) {
    std::size_t cut = kMaxLinkNameBytes;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
    while (!name.empty() && name.back() == ' ') name.pop_back();
  }
  if (name.empty()) return std::string(fallback);
  return name;
}

std::string numbered_name(const std::string& stem, int n) {
  return n <= 1 ? stem : stem + " (" + std::to_string(n) + ")";
}

std::string internet_shortcut_text(std::string_view address) {
  std::string text = "[InternetShortcut]\r\nURL=";
  text += address;
  text += "\r\n";
  return text;
}

}  // namespace kv
