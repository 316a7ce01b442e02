#include <string>
#include <string_view>

#include "engine/filters/filter_rule.h"

namespace kv {
namespace {

// What ^ stands for: any character that cannot be part of a name or number in an
// address. The end of the address, which it also stands for, is handled by the caller.
constexpr std::string_view kSeparator = "[^a-z0-9_.%-]";
// Scheme and any subdomains before the host of a ||host rule.
constexpr std::string_view kHostStart = "^[^:]+:(//)?([^/]+\\.)?";

bool is_ascii_printable(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7f) return false;
  }
  return true;
}

bool is_alnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// A /regular expression/ rule, kept only when it uses what the engine's URL filters
// know: no alternation, repetition counts, classes like \d, assertions or lazy
// quantifiers, and anchors only at the ends.
bool engine_takes_regex(std::string_view body) {
  if (body.empty()) return false;
  int depth = 0;
  bool in_class = false;
  char previous = 0;
  for (std::size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (c == '\\') {
      if (i + 1 == body.size() || is_alnum(body[i + 1])) return false;
      previous = body[++i];
      continue;
    }
    if (in_class) {
      if (c == ']') in_class = false;
      // Literal there, but not worth a list's life to find out how the engine reads it.
      if (c == '[' || c == '|' || c == '{' || c == '}') return false;
      previous = c;
      continue;
    }
    switch (c) {
      case '|':
      case '{':
      case '}':
        return false;
      case '[':
        in_class = true;
        break;
      case '(':
        if (i + 1 < body.size() && body[i + 1] == '?') return false;
        ++depth;
        break;
      case ')':
        if (--depth < 0 || previous == '(') return false;
        break;
      case '^':
        if (i != 0) return false;
        break;
      case '$':
        if (i + 1 != body.size()) return false;
        break;
      case '*':
      case '+':
      case '?':
        if (previous == 0 || previous == '*' || previous == '+' || previous == '?' ||
            previous == '(' || previous == '^')
          return false;
        break;
      default:
        break;
    }
    previous = c;
  }
  return depth == 0 && !in_class;
}

}  // namespace

std::string url_filter_for(std::string_view pattern, std::string& why) {
  if (!is_ascii_printable(pattern)) {
    why = "non-ascii";
    return {};
  }
  if (pattern.size() > 2 && pattern.front() == '/' && pattern.back() == '/') {
    const std::string_view body = pattern.substr(1, pattern.size() - 2);
    if (!engine_takes_regex(body)) {
      why = "regex";
      return {};
    }
    return std::string(body);
  }

  std::string out;
  bool host_rule = false;
  if (pattern.starts_with("||")) {
    out = kHostStart;
    pattern.remove_prefix(2);
    host_rule = true;
  } else if (pattern.starts_with("|")) {
    out = "^";
    pattern.remove_prefix(1);
  }
  bool end_anchor = false;
  if (pattern.ends_with("|")) {
    end_anchor = true;
    pattern.remove_suffix(1);
  }
  // Unanchored ends match anywhere already; stars there add nothing.
  while (out.empty() && pattern.starts_with("*")) pattern.remove_prefix(1);
  while (!end_anchor && pattern.ends_with("*")) pattern.remove_suffix(1);

  bool in_host = host_rule;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '/' || c == '?' || c == '=') in_host = false;
    if (c == '*') {
      if (!out.ends_with(".*")) out += ".*";
      in_host = false;
    } else if (c == '^') {
      const bool last = i + 1 == pattern.size();
      if (last && !end_anchor && !in_host) {
        // The separator, or the end of the address.
        out += "(";
        out += kSeparator;
        out += ".*)?$";
        return out;
      }
      // After a host name there is always a separator: "/", ":" or "?".
      out += kSeparator;
      in_host = false;
    } else if (c == '|') {
      why = "pattern";
      return {};
    } else {
      if (std::string_view(".+?()[]{}\\$").find(c) != std::string_view::npos) out += '\\';
      out += c;
    }
  }
  if (end_anchor) out += '$';
  if (out.empty()) out = ".*";
  return out;
}

}  // namespace kv
