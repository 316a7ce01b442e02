#pragma once

#include <gtk/gtk.h>

#include <string>

namespace kv {

// What the save dialog of a download is asked: the window it belongs to (nullptr for
// none), the folder it opens in and the file name it suggests. A private window's
// question leaves no trace of the answer outside the download itself.
struct SaveQuestion {
  GtkWindow* parent = nullptr;
  std::string folder;
  std::string file_name;
  bool leaves_no_trace = false;
};

// The user's answer: where to save, and whether they agreed to replace the file that was
// there when the dialog asked them.
struct SaveAnswer {
  std::string path;
  bool replace = false;
};

}  // namespace kv
