#include "bookmarks/html_bookmarks.h"

#include <glib.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "desktop/glib_handles.h"
#include "shell/folder_pages.h"

namespace kv {
namespace {

bool starts_with_nocase(std::string_view text, std::size_t at, std::string_view word) {
  return text.size() - at >= word.size() &&
         g_ascii_strncasecmp(text.data() + at, word.data(), word.size()) == 0;
}

std::size_t find_nocase(std::string_view text, std::size_t from, std::string_view word) {
  for (std::size_t at = text.find('<', from); at != std::string_view::npos;
       at = text.find('<', at + 1)) {
    if (starts_with_nocase(text, at, word)) return at;
  }
  return std::string_view::npos;
}

void append_utf8(std::string& out, std::uint32_t code) {
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
  char buffer[6];
  out.append(buffer, static_cast<std::size_t>(g_unichar_to_utf8(code, buffer)));
}

// Text with its character references resolved; unknown ones stay as written.
std::string decoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    // References are short: looking further would make a run of '&' cost its square.
    const std::size_t near = text.substr(i, 12).find(';');
    const std::size_t semi = near == std::string_view::npos ? near : i + near;
    if (semi == std::string_view::npos) {
      out += '&';
      continue;
    }
    const std::string_view name = text.substr(i + 1, semi - i - 1);
    static constexpr std::pair<std::string_view, std::string_view> kNamed[] = {
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
    bool known = false;
    for (const auto& [entity, value] : kNamed) {
      if (name == entity) {
        out += value;
        known = true;
      }
    }
    if (!known && name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      const std::string digits(name.substr(hex ? 2 : 1));
      char* end = nullptr;
      const unsigned long code = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
      if (!digits.empty() && end != nullptr && *end == '\0' &&
          digits.find_first_of("+- ") == std::string::npos) {
        append_utf8(out, code > 0x10FFFF ? 0xFFFD : static_cast<std::uint32_t>(code));
        known = true;
      }
    }
    if (!known) {
      out += '&';
      continue;
    }
    i = semi;
  }
  return out;
}

// Text between tags, tags dropped, references resolved, blanks folded; valid UTF-8.
std::string inner_text(std::string_view html) {
  std::string text;
  bool in_tag = false;
  for (const char c : html) {
    if (c == '<') in_tag = true;
    if (!in_tag) text += c;
    if (c == '>') in_tag = false;
  }
  std::string folded;
  for (const char c : decoded(text)) {
    const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    if (blank && (folded.empty() || folded.back() == ' ')) continue;
    folded += blank ? ' ' : c;
  }
  while (!folded.empty() && folded.back() == ' ') folded.pop_back();
  return take_string(g_utf8_make_valid(folded.data(), static_cast<gssize>(folded.size())));
}

// The value of attribute `wanted` in a tag's text (after its name), or "".
std::string attribute(std::string_view tag, std::string_view wanted) {
  std::size_t i = 0;
  while (i < tag.size()) {
    while (i < tag.size() && (g_ascii_isspace(tag[i]) || tag[i] == '/')) ++i;
    const std::size_t name_start = i;
    while (i < tag.size() && !g_ascii_isspace(tag[i]) && tag[i] != '=') ++i;
    const std::string_view name = tag.substr(name_start, i - name_start);
    while (i < tag.size() && g_ascii_isspace(tag[i])) ++i;
    std::string_view value;
    if (i < tag.size() && tag[i] == '=') {
      ++i;
      while (i < tag.size() && g_ascii_isspace(tag[i])) ++i;
      if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
        const char quote = tag[i++];
        std::size_t end = tag.find(quote, i);
        if (end == std::string_view::npos) end = tag.size();
        value = tag.substr(i, end - i);
        i = end + 1;
      } else {
        const std::size_t start = i;
        while (i < tag.size() && !g_ascii_isspace(tag[i])) ++i;
        value = tag.substr(start, i - start);
      }
    }
    if (name.size() == wanted.size() &&
        g_ascii_strncasecmp(name.data(), wanted.data(), name.size()) == 0) {
      std::string text = decoded(value);
      const auto first = text.find_first_not_of(" \t\r\n");
      const auto last = text.find_last_not_of(" \t\r\n");
      return first == std::string::npos ? "" : text.substr(first, last - first + 1);
    }
    if (name.empty() && i < tag.size()) ++i;
  }
  return "";
}

// Where a tag that starts at `at` ends ('>' outside quotes), or npos.
std::size_t tag_end(std::string_view html, std::size_t at) {
  char quote = 0;
  for (std::size_t i = at + 1; i < html.size(); ++i) {
    const char c = html[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return i;
    }
  }
  return std::string_view::npos;
}

bool is_tag(std::string_view html, std::size_t at, std::string_view name) {
  if (!starts_with_nocase(html, at + 1, name)) return false;
  const std::size_t after = at + 1 + name.size();
  return after >= html.size() || !g_ascii_isalnum(html[after]);
}

void write_folder(std::string& out, const Bookmark& folder, int depth) {
  const std::string indent(static_cast<std::size_t>(depth) * 4, ' ');
  out += indent + "<DL><p>\n";
  for (const Bookmark& child : folder.children) {
    out += indent + "    <DT>";
    if (child.folder) {
      out += "<H3>";
      out += html_escape(child.title);
      out += "</H3>\n";
      write_folder(out, child, depth + 1);
    } else {
      out += "<A HREF=\"";
      out += html_escape(child.address);
      out += "\">";
      out += html_escape(child.title);
      out += "</A>\n";
    }
  }
  out += indent + "</DL><p>\n";
}

}  // namespace

BookmarkRead read_html_bookmarks(std::string_view html) {
  BookmarkRead read;
  if (html.size() > kMaxBookmarkFileBytes) {
    read.message = kTooLarge;
    return read;
  }
  // The folders open at this point; an unnamed list repeats its folder.
  std::vector<Bookmark*> open;
  Bookmark* named = nullptr;  // a folder whose <H3> came and whose list has not
  bool seen_list = false;
  std::size_t items = 0;
  for (std::size_t at = html.find('<'); at != std::string_view::npos; at = html.find('<', at)) {
    const std::size_t end = tag_end(html, at);
    if (end == std::string_view::npos) break;
    if (is_tag(html, at, "DL")) {
      if (static_cast<int>(open.size()) > kMaxBookmarkDepth) {
        read.message = kTooDeep;
        return read;
      }
      Bookmark* folder = named != nullptr ? named : open.empty() ? &read.root : open.back();
      open.push_back(folder);
      named = nullptr;
      seen_list = true;
    } else if (is_tag(html, at, "/DL")) {
      if (!open.empty()) open.pop_back();
      named = nullptr;
    } else if (!open.empty() && (is_tag(html, at, "H3") || is_tag(html, at, "A"))) {
      const bool folder = html[at + 1] == 'H' || html[at + 1] == 'h';
      // A folder is as deep as its list would be, whether or not the list comes.
      if (folder && static_cast<int>(open.size()) > kMaxBookmarkDepth) {
        read.message = kTooDeep;
        return read;
      }
      const std::size_t close = find_nocase(html, end + 1, folder ? "</H3" : "</A");
      const std::size_t text_end = close == std::string_view::npos ? html.size() : close;
      if (++items > kMaxBookmarks) {
        read.message = kTooMany;
        return read;
      }
      Bookmark item;
      item.folder = folder;
      item.title = inner_text(html.substr(end + 1, text_end - end - 1));
      if (!folder) item.address = attribute(html.substr(at + 2, end - at - 2), "HREF");
      open.back()->children.push_back(std::move(item));
      named = folder ? &open.back()->children.back() : nullptr;
      at = close == std::string_view::npos ? html.size() : close;
      continue;
    }
    at = end + 1;
  }
  if (!seen_list) {
    read.message = "This is not an HTML bookmarks file.";
    return read;
  }
  read.ok = true;
  return read;
}

std::string write_html_bookmarks(const Bookmark& root) {
  std::string out =
      "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
      "<!-- This is an automatically generated file.\n"
      "     It will be read and overwritten.\n"
      "     DO NOT EDIT! -->\n"
      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
      "<TITLE>Bookmarks</TITLE>\n"
      "<H1>Bookmarks</H1>\n";
  write_folder(out, root, 0);
  return out;
}

}  // namespace kv
