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
  OwnedXmlDoc doc(xmlReadMemory(data, static_cast<int>(size), nullptr, nullptr, kOptions));
  // What it holds is UTF-8 now, whatever it declared; libxml2 writes attributes of a
  // document without a declared encoding with character references instead.
  if (doc && doc->encoding == nullptr) {
    doc->encoding = xmlStrdup(reinterpret_cast<const xmlChar*>("UTF-8"));
  }
  return doc;
}

std::string xml_node_text(xmlDoc* doc, xmlNode* node) {
  const OwnedXmlBuffer buffer(xmlBufferCreate());
  if (!buffer) return {};
  // Written as UTF-8 whatever the document declared, so that a text reads the same
  // from any file it was kept in.
  xmlOutputBuffer* output = xmlOutputBufferCreateBuffer(buffer.get(), nullptr);
  if (output == nullptr) return {};
  xmlNodeDumpOutput(output, doc, node, 0, 0, "UTF-8");
  xmlOutputBufferClose(output);
  return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                     static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

}  // namespace kv
