#pragma once

#include <string>
#include <string_view>

#include "shell/favorites_folder.h"
#include "shell/history_store.h"
#include "shell/shell_folder_id.h"

namespace kv {

// The pages that the folder pane shows for the shell's folders. Every text from a file,
// a file name or the history is escaped, and only web and file addresses become links,
// so a link file cannot put script or markup into the pane.

std::string html_escape(std::string_view text);

// Whether `address` may be the target of a link in the pane.
bool linkable_address(const std::string& address);

// The favourites folder (or one of its subfolders): subfolders first, each a link into
// it, then the links, each by name and then address.
std::string favorites_page(const ShellFolder& folder, const FolderListing& listing);

// The visited pages by day, newest first, each by title and then address.
std::string history_page(const HistoryReading& reading, HistoryStore::Clock::time_point now);

}  // namespace kv
