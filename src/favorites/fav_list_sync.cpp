#include "favorites/fav_list_sync.h"

#include <giomm/file.h>

#include <optional>
#include <vector>

#include "desktop/guarded.h"
#include "favorites/favorites_host.h"
#include "favorites/frm_fav.h"
#include "favorites/line_list_items.h"
#include "favorites/module1.h"
#include "sync/line_merge.h"

namespace kv {
namespace {

// The file's lines; nothing when it cannot be read whole.
std::optional<std::vector<std::string>> file_lines(const std::string& path) {
  LinesRead read;
  if (Module1::LoadListFromFile(read, path, true) == Module1::FileRead::kUnreadable) {
    return std::nullopt;
  }
  std::vector<std::string> lines;
  lines.reserve(read.lines.size());
  for (ListEntry& line : read.lines) lines.push_back(std::move(line.bytes));
  return lines;
}

std::vector<std::string> window_lines(frmFav& window) {
  std::vector<std::string> lines;
  const std::size_t count = window.items().count();
  lines.reserve(count);
  for (std::size_t i = 0; i < count; ++i) lines.emplace_back(window.items().item_bytes(i));
  return lines;
}

void show_lines(frmFav& window, const std::vector<std::string>& lines) {
  FavEntries entries;
  entries.reserve(lines.size());
  for (const std::string& line : lines) {
    const std::string_view bytes = entries.store(line);
    const std::string text = line_text(line);
    entries.push_back({bytes, text == line ? bytes : entries.store(text)});
  }
  window.items().begin_bulk();
  window.items().clear();
  window.items().add_entries(std::move(entries));
  window.items().end_bulk();
}

// The window's list with what the file gained since merged in; nothing when the file
// is as the window last saw it.
std::optional<std::vector<std::string>> merged_with_file(frmFav& window,
                                                         const std::vector<std::string>& file) {
  if (!window.synced_lines || file == *window.synced_lines) return std::nullopt;
  return merge_lines(*window.synced_lines, window_lines(window), file);
}

}  // namespace

void follow_synced_favorites(frmFav& window, FavoritesHost& host) {
  window.synced_lines = window_lines(window);
  const std::string path = host.favorites_file();
  window.fav_dat_watch = Gio::File::create_for_path(path)->monitor_file();
  window.fav_dat_watch->signal_changed().connect([&window, path](const Glib::RefPtr<Gio::File>&,
                                                                 const Glib::RefPtr<Gio::File>&,
                                                                 Gio::FileMonitorEvent event) {
    // A replacement ends in a move or a creation; a write in place in its last change.
    if (event == Gio::FILE_MONITOR_EVENT_CHANGES_DONE_HINT ||
        event == Gio::FILE_MONITOR_EVENT_CREATED || event == Gio::FILE_MONITOR_EVENT_MOVED_IN ||
        event == Gio::FILE_MONITOR_EVENT_RENAMED) {
      guarded([&] { take_synced_favorites(window, path); });
    }
  });
}

bool save_synced_favorites(frmFav& window, const std::string& path) {
  const auto file = file_lines(path);
  if (file) {
    if (const auto merged = merged_with_file(window, *file)) show_lines(window, *merged);
  }
  if (!Module1::SaveListToFile(window.items(), path)) return false;
  window.synced_lines = window_lines(window);
  window.changed = false;
  window.file_read = Module1::FileRead::kRead;
  return true;
}

void take_synced_favorites(frmFav& window, const std::string& path) {
  const auto file = file_lines(path);
  if (!file) return;
  const auto merged = merged_with_file(window, *file);
  if (!merged) return;
  show_lines(window, *merged);
  window.changed = *merged != *file;
  window.synced_lines = *file;
  // What the file holds now was read whole.
  window.file_read = Module1::FileRead::kRead;
}

}  // namespace kv
