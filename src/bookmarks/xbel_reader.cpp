#include <cerrno>
#include <cstdlib>

#include "bookmarks/bookmark_tree.h"
#include "bookmarks/xbel.h"
#include "bookmarks/xml_handles.h"

namespace kv {
namespace {

constexpr std::string_view kHighestIdMark = "- highestId :";

bool is_named(const xmlNode* node, const char* name) {
  return node->type == XML_ELEMENT_NODE && node->ns == nullptr &&
         xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>(name)) != 0;
}

std::string as_string(const xmlChar* text) {
  return text != nullptr ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

// floccus's "- highestId :41: for Floccus bookmark sync browser extension ".
std::optional<long long> highest_id_in(const xmlNode* comment) {
  const std::string text = as_string(comment->content);
  if (!text.starts_with(kHighestIdMark)) return std::nullopt;
  const char* digits = text.c_str() + kHighestIdMark.size();
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(digits, &end, 10);
  if (end == digits || *end != ':' || errno != 0 || value < 0) return std::nullopt;
  return value;
}

class Reader {
 public:
  explicit Reader(xmlDoc* doc) : doc_(doc) {}

  bool too_deep = false;
  bool too_many = false;

  // The attributes of `node`; its id (and its href when `href` is given) are taken out.
  std::vector<XbelAttribute> attributes_of(xmlNode* node, std::string& id, std::string* href) {
    std::vector<XbelAttribute> attributes;
    for (xmlNs* ns = node->nsDef; ns != nullptr; ns = ns->next) {
      attributes.push_back({ns->prefix != nullptr ? "xmlns:" + as_string(ns->prefix) : "xmlns",
                            as_string(ns->href)});
    }
    for (xmlAttr* attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
      const std::string name = as_string(attribute->name);
      std::string value = take_xml_string(xmlNodeListGetString(doc_, attribute->children, 1));
      if (attribute->ns == nullptr && name == "id") {
        id = std::move(value);
      } else if (attribute->ns == nullptr && href != nullptr && name == "href") {
        *href = std::move(value);
      } else {
        const bool prefixed = attribute->ns != nullptr && attribute->ns->prefix != nullptr;
        attributes.push_back(
            {prefixed ? as_string(attribute->ns->prefix) + ":" + name : name, std::move(value)});
      }
    }
    return attributes;
  }

  XbelItem kept(xmlNode* node) {
    XbelItem item;
    item.kind = XbelItem::Kind::kKept;
    item.kept = xml_node_text(doc_, node);
    return item;
  }

  // The title and the kept parts of a bookmark or folder; a folder's items too.
  void read_contents(xmlNode* element, XbelItem& item, int depth) {
    bool titled = false;
    for (xmlNode* child = element->children; child != nullptr && !too_many && !too_deep;
         child = child->next) {
      // Text between items has no place in XBEL, and the writer's indenting would run
      // it into its neighbours: it is dropped.
      if (child->type == XML_TEXT_NODE) continue;
      if (!titled && is_named(child, "title")) {
        item.title = take_xml_string(xmlNodeGetContent(child));
        titled = true;
      } else if (item.kind == XbelItem::Kind::kFolder && is_named(child, "folder")) {
        add(item, folder(child, depth + 1));
      } else if (item.kind == XbelItem::Kind::kFolder && is_named(child, "bookmark")) {
        add(item, bookmark(child, depth + 1));
      } else {
        add(item, kept(child));
      }
    }
  }

  XbelItem folder(xmlNode* element, int depth) {
    XbelItem item;
    if (depth > kMaxBookmarkDepth) {
      too_deep = true;
      return item;
    }
    item.attributes = attributes_of(element, item.id, nullptr);
    read_contents(element, item, depth);
    return item;
  }

  XbelItem bookmark(xmlNode* element, int depth) {
    XbelItem item;
    item.kind = XbelItem::Kind::kBookmark;
    item.attributes = attributes_of(element, item.id, &item.href);
    read_contents(element, item, depth);
    return item;
  }

  void add(XbelItem& parent, XbelItem child) {
    if (++count_ > kMaxBookmarks) {
      too_many = true;
      return;
    }
    parent.children.push_back(std::move(child));
  }

 private:
  xmlDoc* doc_;
  std::size_t count_ = 0;
};

XbelRead refused(const char* message) {
  XbelRead read;
  read.message = message;
  return read;
}

}  // namespace

XbelRead read_xbel(std::string_view text) {
  if (text.size() > kMaxBookmarkFileBytes) return refused(kTooLarge);
  // XBEL files need no entities of their own, and expanding them is how a small file
  // becomes a huge one.
  if (text.find("<!ENTITY") != std::string_view::npos) {
    return refused("The file declares entities, which bookmark files do not.");
  }
  const OwnedXmlDoc doc = parse_xml(text.data(), text.size());
  xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  if (root == nullptr) return refused("The file is not XML.");
  if (!is_named(root, "xbel")) return refused("The file is not an XBEL bookmarks file.");

  Reader reader(doc.get());
  XbelRead read;
  std::string ignored_id;
  read.document.attributes = reader.attributes_of(root, ignored_id, nullptr);
  if (!ignored_id.empty()) read.document.attributes.push_back({"id", ignored_id});
  XbelItem top;
  bool counted = false;
  for (xmlNode* child = root->children; child != nullptr; child = child->next) {
    if (!counted && child->type == XML_COMMENT_NODE) {
      if (const auto highest = highest_id_in(child)) {
        read.document.highest_id = *highest;
        counted = true;
        continue;
      }
    }
    if (child->type == XML_TEXT_NODE) continue;
    if (is_named(child, "folder")) {
      reader.add(top, reader.folder(child, 1));
    } else if (is_named(child, "bookmark")) {
      reader.add(top, reader.bookmark(child, 1));
    } else {
      reader.add(top, reader.kept(child));
    }
    if (reader.too_deep) return refused(kTooDeep);
    if (reader.too_many) return refused(kTooMany);
  }
  read.document.items = std::move(top.children);
  read.ok = true;
  return read;
}

}  // namespace kv
