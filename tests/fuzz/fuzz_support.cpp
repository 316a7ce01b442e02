#include "fuzz_support.h"

#include <glib.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kv::fuzz {
namespace {

constexpr std::array<std::string_view, 14> kOwnTags{"!DOCTYPE", "html", "head", "meta", "title",
                                                    "style",    "body", "h1",   "h2",   "ul",
                                                    "li",       "a",    "span", "p"};
constexpr std::array<std::string_view, 5> kOwnAttributes{"charset", "http-equiv", "content",
                                                         "class", "href"};

template <std::size_t N>
bool listed(const std::array<std::string_view, N>& names, std::string_view name) {
  for (const std::string_view known : names) {
    if (known == name) return true;
  }
  return false;
}

bool name_char(char c) {
  return g_ascii_isalnum(c) || c == '!' || c == '-';
}

// Checks the tag that starts at html[at] ('<'); returns the index after its '>'.
std::size_t check_tag(std::string_view html, std::size_t at) {
  std::size_t i = at + 1;
  if (i < html.size() && html[i] == '/') ++i;
  const std::size_t name_start = i;
  while (i < html.size() && name_char(html[i])) ++i;
  require(listed(kOwnTags, html.substr(name_start, i - name_start)), "a tag of foreign text");
  while (true) {
    while (i < html.size() && html[i] == ' ') ++i;
    require(i < html.size(), "a tag left open");
    if (html[i] == '>') return i + 1;
    const std::size_t attribute_start = i;
    while (i < html.size() && name_char(html[i])) ++i;
    if (html.substr(attribute_start, i - attribute_start) == "html") continue;  // <!DOCTYPE html>
    require(listed(kOwnAttributes, html.substr(attribute_start, i - attribute_start)),
            "an attribute of foreign text");
    require(html.substr(i, 2) == "=\"", "an attribute without a quoted value");
    const std::size_t close = html.find('"', i + 2);
    require(close != std::string_view::npos, "an attribute value left open");
    const std::string_view value = html.substr(i + 2, close - i - 2);
    require(value.find_first_of("<>") == std::string_view::npos, "markup in an attribute value");
    i = close + 1;
  }
}

}  // namespace

void fail(const char* what) {
  std::fprintf(stderr, "broken invariant: %s\n", what);
  std::abort();
}

const std::string& scratch_folder() {
  static const std::string folder = [] {
    std::string where = g_file_test("/dev/shm", G_FILE_TEST_IS_DIR) ? "/dev/shm" : g_get_tmp_dir();
    where += "/kv-fuzz-XXXXXX";
    require(g_mkdtemp(where.data()) != nullptr, "no scratch folder");
    return where;
  }();
  return folder;
}

void write_file(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  require(out.good(), "cannot write a scratch file");
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

std::string as_entry_text(std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find('\0'));
  gchar* made = g_utf8_make_valid(bytes.data(), static_cast<gssize>(bytes.size()));
  std::string text = made;
  g_free(made);
  return text;
}

void require_only_own_markup(std::string_view html) {
  require(g_utf8_validate_len(html.data(), html.size(), nullptr) != FALSE,
          "a page that is not UTF-8");
  std::size_t at = 0;
  while (at < html.size()) {
    const std::size_t open = html.find_first_of("<>", at);
    if (open == std::string_view::npos) break;
    require(html[open] == '<', "a '>' in the text");
    at = check_tag(html, open);
    // A style sheet is ours; its text runs to the closing tag.
    if (html.substr(open, 7) == "<style>") at = html.find("</style>", at);
    require(at != std::string_view::npos, "a style left open");
  }
}

}  // namespace kv::fuzz
