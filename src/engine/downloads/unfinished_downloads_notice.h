#pragma once

#include <gtkmm/window.h>

#include <vector>

#include "engine/downloads/unfinished_downloads.h"

namespace kv {

// Tells the user, beside `parent`, which downloads an earlier run left unfinished and
// where what they received is kept; "Open Folder" shows the first one's folder. It does
// not hold up the window: the user may read it later.
void show_unfinished_downloads_notice(Gtk::Window& parent,
                                      const std::vector<UnfinishedDownload>& left);

}  // namespace kv
