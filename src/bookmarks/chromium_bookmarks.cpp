#include "bookmarks/chromium_bookmarks.h"

#include <json-glib/json-glib.h>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

// How deep arrays and objects nest, strings skipped; stops counting past `limit`. The
// JSON parser recurses, so a file nested deeper is never handed to it.
int nesting(std::string_view json, int limit) {
  int depth = 0;
  int deepest = 0;
  bool in_string = false;
  for (std::size_t i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > deepest && (deepest = depth) > limit) return deepest;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

std::string member_text(JsonObject* object, const char* name) {
  JsonNode* node = json_object_get_member(object, name);
  if (node == nullptr || json_node_get_value_type(node) != G_TYPE_STRING) return "";
  const char* text = json_node_get_string(node);
  return text != nullptr ? text : "";
}

struct Reader {
  std::size_t items = 0;
  std::string message;

  // Adds the children of `object` (a folder) to `folder`; false to refuse the file.
  bool add_children(JsonObject* object, Bookmark& folder, int depth) {
    if (depth > kMaxBookmarkDepth) {
      message = kTooDeep;
      return false;
    }
    JsonNode* children = json_object_get_member(object, "children");
    if (children == nullptr || !JSON_NODE_HOLDS_ARRAY(children)) return true;
    JsonArray* array = json_node_get_array(children);
    const guint length = json_array_get_length(array);
    for (guint i = 0; i < length; ++i) {
      JsonNode* node = json_array_get_element(array, i);
      if (!JSON_NODE_HOLDS_OBJECT(node)) continue;
      JsonObject* child = json_node_get_object(node);
      const std::string type = member_text(child, "type");
      if (type != "url" && type != "folder") continue;  // separators and the unknown
      if (++items > kMaxBookmarks) {
        message = kTooMany;
        return false;
      }
      Bookmark item;
      item.title = member_text(child, "name");
      item.folder = type == "folder";
      if (item.folder) {
        if (!add_children(child, item, depth + 1)) return false;
      } else {
        item.address = member_text(child, "url");
      }
      folder.children.push_back(std::move(item));
    }
    return true;
  }
};

}  // namespace

BookmarkRead read_chromium_bookmarks(std::string_view json) {
  BookmarkRead read;
  if (json.size() > kMaxBookmarkFileBytes) {
    read.message = kTooLarge;
    return read;
  }
  // Our own limit, and one far inside what the parser's recursion can take.
  if (nesting(json, 2 * kMaxBookmarkDepth + 8) > 2 * kMaxBookmarkDepth + 8) {
    read.message = kTooDeep;
    return read;
  }
  const ObjectRef<JsonParser> parser(json_parser_new_immutable());
  OwnedError error;
  if (json_parser_load_from_data(parser.get(), json.data(), static_cast<gssize>(json.size()),
                                 out(error)) == FALSE) {
    read.message = "The file is not valid JSON.";
    return read;
  }
  JsonNode* top = json_parser_get_root(parser.get());
  JsonNode* roots = top != nullptr && JSON_NODE_HOLDS_OBJECT(top)
                        ? json_object_get_member(json_node_get_object(top), "roots")
                        : nullptr;
  if (roots == nullptr || !JSON_NODE_HOLDS_OBJECT(roots)) {
    read.message = "This is not a bookmarks file of Chromium, Chrome or Falkon.";
    return read;
  }
  Reader reader;
  JsonObject* members = json_node_get_object(roots);
  GList* names = json_object_get_members(members);  // the list is ours, its strings are not
  const std::unique_ptr<GList, decltype(&g_list_free)> owned_names(names, &g_list_free);
  for (GList* name = names; name != nullptr; name = name->next) {
    JsonNode* node = json_object_get_member(members, static_cast<const char*>(name->data));
    if (!JSON_NODE_HOLDS_OBJECT(node)) continue;  // "sync_transaction_version" and the like
    JsonObject* folder = json_node_get_object(node);
    if (member_text(folder, "type") != "folder") continue;
    Bookmark top_folder;
    top_folder.folder = true;
    top_folder.title = member_text(folder, "name");
    if (top_folder.title.empty()) top_folder.title = static_cast<const char*>(name->data);
    if (!reader.add_children(folder, top_folder, 1)) {
      read.message = reader.message;
      return read;
    }
    read.root.children.push_back(std::move(top_folder));
  }
  read.ok = true;
  return read;
}

}  // namespace kv
