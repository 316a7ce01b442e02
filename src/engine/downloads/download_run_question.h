#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <optional>
#include <string>

namespace kv {

// Opening a downloaded program, script or launcher with the desktop's default handler
// can run it: the user is asked first.
struct RunQuestion {
  GtkWindow* parent = nullptr;  // the download's window
  std::string path;
  std::string type;  // the file type in words, e.g. "shell script"
};

// What kind of file at `path` can run programs when opened, in words; nothing for any
// other file. Judged by the content as well as the name, so that a program named
// "photo.jpg" is still one.
std::optional<std::string> program_file_type(const std::string& path);

// Asks with a message box whose default is Cancel; answers true to open, later, from the
// main loop.
void run_download_run_question(const RunQuestion& question, std::function<void(bool)> answer);

}  // namespace kv
