#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "bookmarks/xbel.h"
#include "bookmarks/xml_handles.h"
#include "desktop/glib_handles.h"

namespace kv {
namespace {

// floccus looks for this declaration and writes this type; both as it writes them.
constexpr const char* kDoctype =
    "<!DOCTYPE xbel PUBLIC \"+//IDN python.org//DTD XML Bookmark Exchange Language 1.0//EN//XML\" "
    "\"http://pyxml.sourceforge.net/topics/dtds/xbel.dtd\">\n";

bool allowed_in_xml(gunichar c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// `text` as XML can carry it: valid UTF-8 without the control characters that XML 1.0
// has no place for.
std::string xml_safe(std::string_view text) {
  const bool valid = g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr);
  const bool plain = valid && std::all_of(text.begin(), text.end(), [](char c) {
                       const auto byte = static_cast<unsigned char>(c);
                       return byte >= 0x20 || byte == '\t' || byte == '\n' || byte == '\r';
                     });
  // U+FFFE and U+FFFF are EF BF BE and EF BF BF.
  if (plain && text.find("\xEF\xBF\xBE") == std::string_view::npos &&
      text.find("\xEF\xBF\xBF") == std::string_view::npos) {
    return std::string(text);
  }
  const std::string utf8 =
      valid ? std::string(text)
            : take_string(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
  std::string out;
  out.reserve(utf8.size());
  const char* end = utf8.data() + utf8.size();
  for (const char* p = utf8.data(); p < end; p = g_utf8_next_char(p)) {
    const gunichar c = g_utf8_get_char(p);
    char buffer[6];
    const gint length = g_unichar_to_utf8(allowed_in_xml(c) ? c : 0xFFFD, buffer);
    out.append(buffer, static_cast<std::size_t>(length));
  }
  return out;
}

const xmlChar* x(const std::string& text) {
  return reinterpret_cast<const xmlChar*>(text.c_str());
}
const xmlChar* x(const char* text) {
  return reinterpret_cast<const xmlChar*>(text);
}

class Writer {
 public:
  explicit Writer(xmlTextWriter* writer) : w_(writer) {}

  void raw(const std::string& text) { xmlTextWriterWriteRaw(w_, x(text)); }
  void line(int depth) { raw("\n" + std::string(static_cast<std::size_t>(depth) * 2, ' ')); }
  void attribute(const std::string& name, const std::string& value) {
    xmlTextWriterWriteAttribute(w_, x(xml_safe(name)), x(xml_safe(value)));
  }
  void attributes(const std::vector<XbelAttribute>& list) {
    for (const XbelAttribute& a : list) attribute(a.name, a.value);
  }

  void item(const XbelItem& item, int depth) {
    line(depth);
    if (item.kind == XbelItem::Kind::kKept) {
      raw(item.kept);
      return;
    }
    const bool folder = item.kind == XbelItem::Kind::kFolder;
    xmlTextWriterStartElement(w_, x(folder ? "folder" : "bookmark"));
    if (!folder) attribute("href", item.href);
    if (!item.id.empty()) attribute("id", item.id);
    attributes(item.attributes);
    line(depth + 1);
    xmlTextWriterWriteElement(w_, x("title"), x(xml_safe(item.title)));
    for (const XbelItem& child : item.children) this->item(child, depth + 1);
    line(depth);
    xmlTextWriterFullEndElement(w_);
  }

 private:
  xmlTextWriter* w_;
};

std::optional<long long> numeric(const std::string& id) {
  if (id.empty() || id.size() > 18 ||
      !std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  return std::strtoll(id.c_str(), nullptr, 10);
}

void highest_in(const std::vector<XbelItem>& items, long long& highest) {
  for (const XbelItem& item : items) {
    if (item.kind == XbelItem::Kind::kKept) continue;
    if (const auto value = numeric(item.id)) highest = std::max(highest, *value);
    if (item.kind == XbelItem::Kind::kFolder) highest_in(item.children, highest);
  }
}

}  // namespace

std::string xbel_text(std::string_view text) {
  return xml_safe(text);
}

long long highest_xbel_id(const XbelDocument& document) {
  long long highest = std::max(0LL, document.highest_id);
  highest_in(document.items, highest);
  return highest;
}

std::string write_xbel(const XbelDocument& document) {
  const OwnedXmlBuffer buffer(xmlBufferCreate());
  if (!buffer) return {};
  {
    const OwnedXmlWriter writer(xmlNewTextWriterMemory(buffer.get(), 0));
    if (!writer) return {};
    Writer out(writer.get());
    xmlTextWriterStartDocument(writer.get(), "1.0", "UTF-8", nullptr);
    out.raw(kDoctype);
    xmlTextWriterStartElement(writer.get(), x("xbel"));
    out.attributes(document.attributes);
    out.line(0);
    // floccus reads its counter from this line, and gives out ids above it.
    const std::string counter = "- highestId :" + std::to_string(highest_xbel_id(document)) +
                                ": for Floccus bookmark sync browser extension ";
    xmlTextWriterWriteComment(writer.get(), x(counter));
    for (const XbelItem& item : document.items) out.item(item, 1);
    out.line(0);
    xmlTextWriterFullEndElement(writer.get());
    xmlTextWriterEndDocument(writer.get());
  }
  return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                     static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

}  // namespace kv
