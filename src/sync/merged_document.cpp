#include "sync/merged_document.h"

#include <algorithm>
#include <unordered_set>

#include "sync/list_lines.h"
#include "sync/local_match.h"
#include "sync/new_item_pairing.h"

namespace kv {
namespace {

class Builder {
 public:
  Builder(const SyncTree& merged, const std::string& list_folder)
      : merged_(merged), list_folder_(list_folder) {}

  // The items of `folder`, with the kept parts of `source` (the folder as a document
  // held it) each after the item it followed there.
  std::vector<XbelItem> items(const std::string& folder, const std::vector<XbelItem>* source) {
    const std::vector<std::string>& ids = merged_.children(folder);
    const std::unordered_set<std::string> here(ids.begin(), ids.end());
    std::unordered_map<std::string, std::vector<const XbelItem*>> kept_after;
    if (source != nullptr) {
      std::string last;
      for (const XbelItem& part : *source) {
        if (part.kind != XbelItem::Kind::kKept) {
          if (here.count(part.id) != 0) last = part.id;
        } else {
          kept_after[last].push_back(&part);
        }
      }
    }
    std::vector<XbelItem> out;
    auto add_kept = [&](const std::string& after) {
      const auto found = kept_after.find(after);
      if (found == kept_after.end()) return;
      for (const XbelItem* part : found->second) out.push_back(*part);
    };
    add_kept("");
    for (const std::string& id : ids) {
      out.push_back(item(*merged_.find(id)));
      add_kept(id);
    }
    return out;
  }

 private:
  XbelItem item(const SyncNode& node) {
    XbelItem item;
    const XbelItem* source = node.source;
    if (source != nullptr && (source->kind == XbelItem::Kind::kFolder) == node.folder) {
      item.attributes = source->attributes;
      if (!node.folder) item.children = source->children;
    } else {
      source = nullptr;
    }
    item.kind = node.folder ? XbelItem::Kind::kFolder : XbelItem::Kind::kBookmark;
    item.id = node.id;
    item.title = node.title;
    if (node.folder) {
      item.children = items(node.id, source != nullptr ? &source->children : nullptr);
    } else {
      item.href = node.href;
      if (!list_folder_.empty() && node.parent == list_folder_) keep_list_line(item, node.bytes);
    }
    return item;
  }

  const SyncTree& merged_;
  const std::string& list_folder_;
};

}  // namespace

std::unordered_map<std::string, std::string> give_server_ids(SyncTree& merged,
                                                             long long& highest_given) {
  std::unordered_map<std::string, std::string> renamed;
  for (const std::string& id : merged.ids()) {
    if (!NewIds::is_new(id)) continue;
    std::string given;
    do {
      given = std::to_string(++highest_given);
    } while (merged.contains(given));
    renamed[id] = given;
  }
  merged.rename(renamed);
  return renamed;
}

XbelDocument merged_document(const SyncTree& merged, const XbelDocument& remote,
                             const std::string& list_folder, long long highest_given) {
  XbelDocument document;
  document.attributes = remote.attributes;
  document.items = Builder(merged, list_folder).items("", &remote.items);
  document.highest_id =
      std::max(std::max(remote.highest_id, highest_given), highest_xbel_id(document));
  return document;
}

}  // namespace kv
