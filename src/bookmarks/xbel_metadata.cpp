#include <algorithm>

#include "bookmarks/xbel.h"
#include "bookmarks/xml_handles.h"

namespace kv {
namespace {

const xmlChar* x(const std::string& text) {
  return reinterpret_cast<const xmlChar*>(text.c_str());
}

bool is_info(const XbelItem& item) {
  return item.kind == XbelItem::Kind::kKept && item.kept.starts_with("<info");
}

bool is_element(const xmlNode* node, const char* name) {
  return node->type == XML_ELEMENT_NODE && node->ns == nullptr &&
         xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>(name)) != 0;
}

// The <metadata> of `owner` in an <info>; nullptr without one.
xmlNode* owned_metadata(xmlNode* info, const std::string& owner) {
  for (xmlNode* child = info->children; child != nullptr; child = child->next) {
    if (!is_element(child, "metadata")) continue;
    const std::string of = take_xml_string(xmlGetNoNsProp(child, x("owner")));
    if (of == owner) return child;
  }
  return nullptr;
}

bool has_elements(const xmlNode* node) {
  for (const xmlNode* child = node->children; child != nullptr; child = child->next) {
    if (child->type == XML_ELEMENT_NODE) return true;
  }
  return false;
}

}  // namespace

std::optional<std::string> xbel_metadata(const XbelItem& item, std::string_view owner,
                                         std::string_view name) {
  for (const XbelItem& child : item.children) {
    if (!is_info(child)) continue;
    const OwnedXmlDoc doc = parse_xml(child.kept.data(), child.kept.size());
    xmlNode* info = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (info == nullptr || !is_element(info, "info")) continue;
    xmlNode* metadata = owned_metadata(info, std::string(owner));
    if (metadata == nullptr) continue;
    const std::string key(name);
    if (xmlHasProp(metadata, x(key)) == nullptr) return std::nullopt;
    return take_xml_string(xmlGetNoNsProp(metadata, x(key)));
  }
  return std::nullopt;
}

void set_xbel_metadata(XbelItem& item, std::string_view owner, std::string_view name,
                       const std::optional<std::string>& value) {
  const std::string owner_text(owner);
  const std::string key(name);
  auto found = std::find_if(item.children.begin(), item.children.end(), is_info);
  OwnedXmlDoc doc;
  if (found != item.children.end()) doc = parse_xml(found->kept.data(), found->kept.size());
  if (!doc) {
    if (!value) return;
    doc.reset(xmlNewDoc(x(std::string("1.0"))));
    if (!doc) return;
    xmlDocSetRootElement(doc.get(), xmlNewNode(nullptr, x(std::string("info"))));
    found = item.children.end();
  }
  xmlNode* info = xmlDocGetRootElement(doc.get());
  if (info == nullptr || !is_element(info, "info")) return;
  xmlNode* metadata = owned_metadata(info, owner_text);
  if (value) {
    if (metadata == nullptr) {
      metadata = xmlNewChild(info, nullptr, x(std::string("metadata")), nullptr);
      xmlNewProp(metadata, x(std::string("owner")), x(owner_text));
    }
    xmlSetProp(metadata, x(key), x(*value));
  } else if (metadata != nullptr) {
    xmlUnsetProp(metadata, x(key));
    // A <metadata> of ours that says nothing more goes.
    if (metadata->properties != nullptr && metadata->properties->next == nullptr &&
        !has_elements(metadata)) {
      xmlUnlinkNode(metadata);
      xmlFreeNode(metadata);
    }
  }
  XbelItem kept;
  kept.kind = XbelItem::Kind::kKept;
  const bool empty = !has_elements(info) && info->properties == nullptr;
  if (!empty) kept.kept = xml_node_text(doc.get(), info);
  if (found != item.children.end()) {
    if (empty) {
      item.children.erase(found);
    } else {
      found->kept = std::move(kept.kept);
    }
  } else if (!empty) {
    // An item's <info> comes before its <desc> and, in a folder, before its items.
    item.children.insert(item.children.begin(), std::move(kept));
  }
}

}  // namespace kv
