#include "bookmarks/xml_handles.h"

#include <climits>

namespace kv {

OwnedXmlDoc parse_xml(const char* data, std::size_t size) {
  // libxml2 sets up its tables once, before any thread parses.
  static const bool ready = [] {
    xmlInitParser();
    return true;
  }();
  (void)ready;
  if (size > static_cast<std::size_t>(INT_MAX)) return nullptr;
  // No network, no messages on the terminal, CDATA as text; entities stay unexpanded.
  constexpr int kOptions =
      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA;
  return OwnedXmlDoc(xmlReadMemory(data, static_cast<int>(size), nullptr, nullptr, kOptions));
}

std::string xml_node_text(xmlDoc* doc, xmlNode* node) {
  const OwnedXmlBuffer buffer(xmlBufferCreate());
  if (!buffer) return {};
  xmlNodeDump(buffer.get(), doc, node, 0, 0);
  return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                     static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

}  // namespace kv
