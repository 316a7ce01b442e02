#include "sync/sync_state.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <algorithm>
#include <filesystem>

#include "desktop/glib_handles.h"
#include "desktop/private_files.h"
#include "sync/list_lines.h"

namespace kv {
namespace {

struct ChecksumDeleter {
  void operator()(GChecksum* checksum) const noexcept { g_checksum_free(checksum); }
};
using OwnedChecksum = std::unique_ptr<GChecksum, ChecksumDeleter>;

constexpr const char* kGroup = "Sync";
constexpr std::size_t kBackupsKept = 5;
constexpr const char* kPathAttribute = "kestrivane-path";
constexpr const char* kBytesAttribute = "kestrivane-bytes";
constexpr const char* kListAttribute = "kestrivane-list";

std::optional<std::string> read_file(const std::string& path) {
  OwnedChars contents;
  gsize length = 0;
  if (!g_file_get_contents(path.c_str(), out(contents), &length, nullptr)) return std::nullopt;
  return std::string(contents.get(), length);
}

std::string string_of(GKeyFile* file, const char* key) {
  return take_string(g_key_file_get_string(file, kGroup, key, nullptr));
}

std::vector<std::string> list_of(GKeyFile* file, const char* key) {
  gsize length = 0;
  const OwnedStrv values(g_key_file_get_string_list(file, kGroup, key, &length, nullptr));
  std::vector<std::string> out;
  for (gsize i = 0; values && i < length; ++i) out.emplace_back(values.get()[i]);
  return out;
}

void set_list(GKeyFile* file, const char* key, const std::vector<std::string>& values) {
  std::vector<const gchar*> pointers;
  pointers.reserve(values.size());
  for (const std::string& value : values) pointers.push_back(value.c_str());
  g_key_file_set_string_list(file, kGroup, key, pointers.data(), pointers.size());
}

std::string attribute(const XbelItem& item, const char* name) {
  for (const XbelAttribute& a : item.attributes) {
    if (a.name == name) return a.value;
  }
  return {};
}

void to_items(const LocalItem& folder, std::vector<XbelItem>& items) {
  for (const LocalItem& child : folder.children) {
    XbelItem item;
    item.kind = child.folder ? XbelItem::Kind::kFolder : XbelItem::Kind::kBookmark;
    item.title = child.title;
    item.href = child.href;
    item.attributes.push_back({kPathAttribute, child.path});
    if (child.folder) to_items(child, item.children);
    items.push_back(std::move(item));
  }
}

void from_items(const std::vector<XbelItem>& items, LocalItem& folder) {
  for (const XbelItem& item : items) {
    if (item.kind == XbelItem::Kind::kKept) continue;
    LocalItem child{attribute(item, kPathAttribute),
                    item.kind == XbelItem::Kind::kFolder,
                    item.title,
                    item.href,
                    {}};
    if (child.folder) from_items(item.children, child);
    folder.children.push_back(std::move(child));
  }
}

}  // namespace

std::string content_hash(std::string_view bytes) {
  return take_string(g_compute_checksum_for_data(
      G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(bytes.data()), bytes.size()));
}

std::string favorites_hash(const LocalRead& favorites) {
  OwnedChecksum checksum(g_checksum_new(G_CHECKSUM_SHA256));
  auto add = [&](std::string_view text) {
    // Each text with its length, so that no two readings hash alike by their joins.
    const std::string length = std::to_string(text.size()) + ":";
    g_checksum_update(checksum.get(), reinterpret_cast<const guchar*>(length.data()),
                      static_cast<gssize>(length.size()));
    g_checksum_update(checksum.get(), reinterpret_cast<const guchar*>(text.data()),
                      static_cast<gssize>(text.size()));
  };
  std::vector<const LocalItem*> pending{&favorites.folder};
  while (!pending.empty()) {
    const LocalItem* item = pending.back();
    pending.pop_back();
    add(item->path);
    add(item->folder ? "/" : item->href);
    add(item->title);
    for (const LocalItem& child : item->children) pending.push_back(&child);
  }
  add("list");
  for (const ListEntry& line : favorites.list) add(line.bytes);
  return g_checksum_get_string(checksum.get());
}

bool write_private_file(const std::string& path, std::string_view bytes) {
  return g_file_set_contents_full(path.c_str(), bytes.data(), static_cast<gssize>(bytes.size()),
                                  static_cast<GFileSetContentsFlags>(
                                      G_FILE_SET_CONTENTS_CONSISTENT | G_FILE_SET_CONTENTS_DURABLE),
                                  0600, nullptr) != FALSE;
}

std::string local_backup_text(const LocalRead& favorites) {
  XbelDocument document;
  to_items(favorites.folder, document.items);
  XbelItem list;
  list.title = "fav.Dat";
  list.attributes.push_back({kListAttribute, "yes"});
  for (const ListEntry& line : favorites.list) {
    XbelItem item;
    item.kind = XbelItem::Kind::kBookmark;
    item.title = line.text;
    item.href = line.text;
    item.attributes.push_back({kBytesAttribute, hex_bytes(line.bytes)});
    list.children.push_back(std::move(item));
  }
  document.items.push_back(std::move(list));
  return write_xbel(document);
}

std::optional<LocalRead> local_backup_of(std::string_view text) {
  XbelRead read = read_xbel(text);
  if (!read.ok) return std::nullopt;
  LocalRead favorites;
  favorites.ok = true;
  std::vector<XbelItem> folder_items;
  for (XbelItem& item : read.document.items) {
    if (attribute(item, kListAttribute) != "yes") {
      folder_items.push_back(std::move(item));
      continue;
    }
    for (const XbelItem& line : item.children) {
      const auto bytes = bytes_of_hex(attribute(line, kBytesAttribute));
      if (bytes) favorites.list.push_back({*bytes, line.href});
    }
  }
  from_items(folder_items, favorites.folder);
  return favorites;
}

SyncStore::SyncStore(std::string folder) : folder_(std::move(folder)) {}

SyncState SyncStore::load() const {
  SyncState state;
  const auto text = read_file(folder_ + "/state.ini");
  const auto base = read_file(folder_ + "/base.xbel");
  if (!text || !base) return state;
  XbelRead read = read_xbel(*base);
  if (!read.ok) return state;
  const OwnedKeyFile file(g_key_file_new());
  if (!g_key_file_load_from_data(file.get(), text->data(), text->size(), G_KEY_FILE_NONE,
                                 nullptr)) {
    return state;
  }
  state.known = g_key_file_get_boolean(file.get(), kGroup, "Known", nullptr) != FALSE;
  state.address = string_of(file.get(), "Address");
  state.etag = string_of(file.get(), "ETag");
  state.server_hash = string_of(file.get(), "ServerHash");
  state.local_hash = string_of(file.get(), "LocalHash");
  state.locations.list_folder = string_of(file.get(), "ListFolder");
  state.locations.list = list_of(file.get(), "ListLines");
  const std::vector<std::string> ids = list_of(file.get(), "PathIds");
  const std::vector<std::string> paths = list_of(file.get(), "Paths");
  for (std::size_t i = 0; i < ids.size() && i < paths.size(); ++i) {
    state.locations.paths[ids[i]] = paths[i];
  }
  state.base = std::move(read.document);
  return state;
}

bool SyncStore::save(const SyncState& state) const {
  if (!make_private_folder(folder_)) return false;
  const OwnedKeyFile file(g_key_file_new());
  g_key_file_set_boolean(file.get(), kGroup, "Known", state.known ? TRUE : FALSE);
  g_key_file_set_string(file.get(), kGroup, "Address", state.address.c_str());
  g_key_file_set_string(file.get(), kGroup, "ETag", state.etag.c_str());
  g_key_file_set_string(file.get(), kGroup, "ServerHash", state.server_hash.c_str());
  g_key_file_set_string(file.get(), kGroup, "LocalHash", state.local_hash.c_str());
  g_key_file_set_string(file.get(), kGroup, "ListFolder", state.locations.list_folder.c_str());
  set_list(file.get(), "ListLines", state.locations.list);
  std::vector<std::string> ids;
  std::vector<std::string> paths;
  for (const auto& [id, path] : state.locations.paths) {
    ids.push_back(id);
    paths.push_back(path);
  }
  set_list(file.get(), "PathIds", ids);
  set_list(file.get(), "Paths", paths);
  gsize length = 0;
  const OwnedChars data(g_key_file_to_data(file.get(), &length, nullptr));
  // The base first: a state that names a base always has it.
  return write_private_file(folder_ + "/base.xbel", write_xbel(state.base)) &&
         write_private_file(folder_ + "/state.ini", std::string_view(data.get(), length));
}

bool SyncStore::forget() const {
  bool forgotten = true;
  for (const char* name : {"/state.ini", "/base.xbel"}) {
    const std::string path = folder_ + name;
    if (g_remove(path.c_str()) != 0 && g_file_test(path.c_str(), G_FILE_TEST_EXISTS)) {
      forgotten = false;
    }
  }
  return forgotten;
}

bool SyncStore::keep_backup(const std::string& kind, std::string_view bytes,
                            std::time_t now) const {
  const std::string dir = folder_ + "/backups";
  if (!make_private_folder(dir)) return false;
  // Named by the time, and a count among those of the same second, so that names sort
  // as they were taken.
  const std::string stem = dir + "/" + kind + "-" + std::to_string(static_cast<long long>(now));
  std::string path;
  for (int n = 10; path.empty() || g_file_test(path.c_str(), G_FILE_TEST_EXISTS); ++n) {
    path = stem + "-" + std::to_string(n) + ".xbel";
  }
  if (!write_private_file(path, bytes)) return false;
  // The oldest beyond the last five go.
  std::vector<std::string> kept;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(kind + "-") && name.ends_with(".xbel")) kept.push_back(entry.path());
  }
  std::sort(kept.begin(), kept.end(), std::greater<>());
  for (std::size_t i = kBackupsKept; i < kept.size(); ++i) g_remove(kept[i].c_str());
  return true;
}

bool SyncStore::keep_server_backup(std::string_view bytes, std::time_t now) const {
  return keep_backup("server", bytes, now);
}

bool SyncStore::keep_local_backup(const LocalRead& favorites, std::time_t now) const {
  return keep_backup("local", local_backup_text(favorites), now);
}

std::vector<LocalBackup> SyncStore::local_backups() const {
  std::vector<LocalBackup> backups;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder_ + "/backups", error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with("local-") || !name.ends_with(".xbel")) continue;
    const long long taken = std::strtoll(name.c_str() + 6, nullptr, 10);
    backups.push_back({entry.path().string(), static_cast<std::time_t>(taken)});
  }
  std::sort(backups.begin(), backups.end(),
            [](const LocalBackup& a, const LocalBackup& b) { return a.path > b.path; });
  return backups;
}

std::vector<std::string> SyncStore::server_backups() const {
  std::vector<std::string> backups;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder_ + "/backups", error)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("server-") && name.ends_with(".xbel")) backups.push_back(entry.path());
  }
  std::sort(backups.begin(), backups.end(), std::greater<>());
  return backups;
}

}  // namespace kv
