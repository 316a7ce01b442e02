#pragma once

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlwriter.h>

#include <memory>
#include <string>

// Owners for what libxml2 hands out, as desktop/glib_handles.h has for GLib.
namespace kv {

struct XmlDocDeleter {
  void operator()(xmlDoc* doc) const noexcept { xmlFreeDoc(doc); }
};
struct XmlBufferDeleter {
  void operator()(xmlBuffer* buffer) const noexcept { xmlBufferFree(buffer); }
};
struct XmlWriterDeleter {
  void operator()(xmlTextWriter* writer) const noexcept { xmlFreeTextWriter(writer); }
};
struct XmlCharsDeleter {
  void operator()(xmlChar* text) const noexcept { xmlFree(text); }
};
struct XmlParserDeleter {
  void operator()(xmlParserCtxt* context) const noexcept { xmlFreeParserCtxt(context); }
};

using OwnedXmlDoc = std::unique_ptr<xmlDoc, XmlDocDeleter>;
using OwnedXmlBuffer = std::unique_ptr<xmlBuffer, XmlBufferDeleter>;
using OwnedXmlWriter = std::unique_ptr<xmlTextWriter, XmlWriterDeleter>;
using OwnedXmlChars = std::unique_ptr<xmlChar, XmlCharsDeleter>;
using OwnedXmlParser = std::unique_ptr<xmlParserCtxt, XmlParserDeleter>;

// The text of what libxml2 handed over, freed once copied; "" for nullptr.
inline std::string take_xml_string(xmlChar* text) {
  const OwnedXmlChars owned(text);
  return owned ? std::string(reinterpret_cast<const char*>(owned.get())) : std::string();
}

// Parses `size` bytes of XML with nothing fetched, no entity expanded and no message
// printed; nullptr when it is not well-formed. libxml2 is set up once for every thread.
OwnedXmlDoc parse_xml(const char* data, std::size_t size);

// `node` and what it holds as XML, as libxml2 writes it.
std::string xml_node_text(xmlDoc* doc, xmlNode* node);

}  // namespace kv
