#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// An XBEL file (XML Bookmark Exchange Language 1.0), as the floccus extension keeps it on
// a WebDAV server: folders and bookmarks with numeric ids, titles in <title>, the
// address in href, the file's own top-level items directly under <xbel>, and the highest
// id given out so far in a comment after <xbel>. Whatever else the file holds (other
// attributes, <desc>, <info>, separators, aliases, comments) is kept as it was, so that
// a file read and written again loses nothing that another program put there.

struct XbelAttribute {
  std::string name;  // with its prefix: "added", "xmlns:bookmark", "bookmark:icon"
  std::string value;

  bool operator==(const XbelAttribute&) const = default;
};

struct XbelItem {
  enum class Kind { kFolder, kBookmark, kKept };
  Kind kind = Kind::kFolder;
  std::string id;     // the id attribute; "" when there is none
  std::string title;  // UTF-8
  std::string href;   // bookmarks only
  // The other attributes and namespace declarations, in their order.
  std::vector<XbelAttribute> attributes;
  // kKept: the element, comment or text as XML, written back as it stands.
  std::string kept;
  // A folder's items; a bookmark's kept elements (<desc>, <info>, ...).
  std::vector<XbelItem> children;

  bool operator==(const XbelItem&) const = default;
};

struct XbelDocument {
  // Of <xbel>: version and anything else. A new file has the version floccus writes.
  std::vector<XbelAttribute> attributes{{"version", "1.0"}};
  long long highest_id = 0;     // from floccus's comment; 0 without one
  std::vector<XbelItem> items;  // the top level, in order

  bool operator==(const XbelDocument&) const = default;
};

struct XbelRead {
  bool ok = false;
  std::string message;  // why there is no document, for the user
  XbelDocument document;
};

// Reads an XBEL file. Nothing is fetched and no entity is expanded: a file that
// declares entities, is not XML, has no <xbel> at its root, is larger than
// kMaxBookmarkFileBytes, nests folders deeper than kMaxBookmarkDepth or holds more than
// kMaxBookmarks items is refused whole.
XbelRead read_xbel(std::string_view text);

// The document as floccus writes it: the XML declaration and DOCTYPE it looks for,
// <xbel> with its attributes, the highest-id comment (never lower than any numeric id
// in the document), then the items indented. Titles and addresses that are not valid
// UTF-8, or hold characters XML cannot carry, are written with U+FFFD in their place.
std::string write_xbel(const XbelDocument& document);

// `text` as the file keeps it: valid UTF-8, with U+FFFD for what XML cannot carry.
std::string xbel_text(std::string_view text);

// The highest id that floccus may have given out: its counter, or the largest numeric
// id in the document when that is higher.
long long highest_xbel_id(const XbelDocument& document);

// An attribute of a <metadata owner="owner"> in the item's <info>; nullopt without one.
std::optional<std::string> xbel_metadata(const XbelItem& item, std::string_view owner,
                                         std::string_view name);
// Sets it, or with nullopt removes it (and an <info> left empty); the item's other
// metadata stays as it was.
void set_xbel_metadata(XbelItem& item, std::string_view owner, std::string_view name,
                       const std::optional<std::string>& value);

}  // namespace kv
