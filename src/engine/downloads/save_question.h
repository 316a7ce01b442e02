#pragma once

#include <gtk/gtk.h>

#include <string>

namespace kv {

// What the save dialog of a download is asked: the window it belongs to (nullptr for
// none), the folder it opens in and the file name it suggests.
struct SaveQuestion {
  GtkWindow* parent = nullptr;
  std::string folder;
  std::string file_name;
};

}  // namespace kv
