#include "engine/filters/json_text.h"

#include <cstdio>

namespace kv {

std::string json_quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte >= 0x7f) {
      // Bytes above ASCII are escaped one by one: a list's text is not trusted to be
      // UTF-8, and the result must be valid JSON whatever it was.
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  out += '"';
  return out;
}

std::string json_string_array(const std::vector<std::string>& values) {
  std::string out = "[";
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out += ',';
    out += json_quoted(values[i]);
  }
  out += ']';
  return out;
}

namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

bool split_json_array(std::string_view text, std::vector<std::string>& elements) {
  elements.clear();
  std::size_t at = 0;
  while (at < text.size() && is_space(text[at])) ++at;
  if (at == text.size() || text[at] != '[') return false;
  ++at;
  int depth = 0;
  bool in_string = false;
  std::size_t start = std::string_view::npos;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (in_string) {
      if (c == '\\') {
        ++at;
      } else if (c == '"') {
        in_string = false;
      }
      continue;
    }
    if (c == '"') {
      if (depth == 0) return false;
      in_string = true;
    } else if (c == '{' || c == '[') {
      if (depth == 0) {
        if (c != '{' || start != std::string_view::npos) return false;
        start = at;
      }
      ++depth;
    } else if (c == '}' || c == ']') {
      if (depth == 0) {
        if (c != ']') return false;
        ++at;
        while (at < text.size() && is_space(text[at])) ++at;
        return at == text.size() && start == std::string_view::npos;
      }
      if (--depth == 0) {
        elements.emplace_back(text.substr(start, at + 1 - start));
        start = std::string_view::npos;
      }
    } else if (depth == 0 && c == ',') {
      if (elements.empty()) return false;
    } else if (depth == 0 && !is_space(c)) {
      return false;
    }
  }
  return false;
}

std::string json_array(const std::vector<std::string>& elements) {
  std::string out = "[";
  for (std::size_t i = 0; i < elements.size(); ++i) {
    if (i > 0) out += ',';
    out += elements[i];
  }
  out += ']';
  return out;
}

}  // namespace kv
