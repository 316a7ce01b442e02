#pragma once

#include <webkit2/webkit2.h>

#include <cstdint>
#include <vector>

namespace kv {

// Most entries one folder page lists; the rest are counted as not shown.
inline constexpr std::size_t kMaxFolderEntries = 5000;
// Most visits the history page lists.
inline constexpr std::size_t kMaxHistoryVisits = 5000;

// Registers the shell-folder scheme (kShellScheme) on `context`, once per context. Its
// pages are local: web pages cannot load or link to them. Folder pages are built off the
// user-interface thread, so a slow disk or a huge folder never stalls the windows.
void ensure_folder_scheme(WebKitWebContext* context);

// Shows in `view` the folder that an item-id list names; false (and nothing loaded)
// when the list names no folder of this shell.
bool show_shell_folder(WebKitWebView* view, const std::vector<std::uint8_t>& item_id_list);

}  // namespace kv
