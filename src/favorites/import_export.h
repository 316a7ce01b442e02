#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bookmarks/bookmark_sources.h"
#include "bookmarks/favorites_import.h"
#include "favorites/import_export_window.h"

namespace kv {

class FavoritesHost;
class Form1;

// File > Import and Export of one main window: opens the window, modal to it, on the
// sources found for this user and the favourites folder.
void attach_import_export(Form1& form, FavoritesHost& host);

// The window with its behaviour. An import reads and writes in a thread of its own, so
// the window stays responsive; a progress bar shows once it takes longer than a moment.
class ImportExport {
 public:
  ImportExport(Gtk::Window& parent, FavoritesHost& host, std::vector<BookmarkSource> sources,
               std::string favorites_folder);
  ImportExport(const ImportExport&) = delete;
  ImportExport& operator=(const ImportExport&) = delete;
  ImportExport(ImportExport&&) = delete;
  ImportExport& operator=(ImportExport&&) = delete;
  // Waits for a running import.
  ~ImportExport();

  ImportExportWindow& window() { return *window_; }
  [[nodiscard]] bool running() const { return worker_.joinable(); }

  // Picks the file to import (`save` false) or to export to; "" when the user cancels.
  // The desktop's file chooser unless replaced.
  std::function<std::string(bool save)> choose_file;

 private:
  struct Run;
  void start_import();
  bool watch_import();
  void finish_import();
  void export_favorites();
  std::string choose_with_dialog(bool save);

  FavoritesHost& host_;
  std::vector<BookmarkSource> sources_;
  std::string favorites_folder_;
  std::unique_ptr<ImportExportWindow> window_;
  std::shared_ptr<Run> run_;
  std::thread worker_;
  sigc::connection watch_;
  std::chrono::steady_clock::time_point started_;
};

// The summary an import ends with: what came in and where, and what was skipped by kind.
std::string import_summary_text(const ImportSummary& summary, std::size_t added_to_list);

}  // namespace kv
