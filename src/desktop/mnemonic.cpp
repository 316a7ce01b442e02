#include "desktop/mnemonic.h"

namespace kv {

Glib::ustring mnemonic_caption(const Glib::ustring& caption) {
  Glib::ustring result;
  bool marked = false;
  for (auto it = caption.begin(); it != caption.end(); ++it) {
    const gunichar ch = *it;
    if (ch == '_') {
      result += "__";
      continue;
    }
    if (ch != '&') {
      result += ch;
      continue;
    }
    auto next = it;
    ++next;
    if (next != caption.end() && *next == '&') {
      result += '&';
      it = next;
    } else if (!marked && next != caption.end() && *next != ' ') {
      result += '_';
      marked = true;
    } else {
      result += '&';
    }
  }
  return result;
}

}  // namespace kv
