#include "favorites/import_export.h"

#include <glibmm/main.h>
#include <gtkmm/filechooserdialog.h>

#include "bookmarks/favorites_tree.h"
#include "bookmarks/html_bookmarks.h"
#include "browser/form1.h"
#include "desktop/desktop_services.h"
#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "favorites/fav_window.h"
#include "favorites/favorites_host.h"
#include "favorites/frm_fav.h"
#include "favorites/module1.h"
#include "favorites/text_list_items.h"
#include "shell/shell_folders.h"

namespace kv {
namespace {

// The progress bar stays away from imports quicker than this.
constexpr auto kQuietTime = std::chrono::milliseconds(300);
constexpr unsigned kWatchMilliseconds = 100;

std::string plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string holds(const BookmarkCount& count) {
  return plural(count.links, "bookmark", "bookmarks") + " in " +
         plural(count.folders, "folder", "folders");
}

std::vector<std::string> favorites_list(FavoritesHost& host) {
  TextListItems items;
  if (frmFav* loaded = host.favorites_window()) {
    for (std::size_t i = 0; i < loaded->items().count(); ++i) {
      items.texts.push_back(loaded->items().item(i));
    }
  } else {
    Module1::LoadListFromFile(items, host.favorites_file(), true);
  }
  return std::move(items.texts);
}

}  // namespace

struct ImportExport::Run {
  BookmarkSource source;
  std::string folder;
  std::string date;
  std::atomic<std::size_t> done{0};
  std::atomic<std::size_t> total{0};
  std::atomic<bool> finished{false};
  std::string message;  // why the source could not be read
  ImportSummary summary;
};

std::string import_summary_text(const ImportSummary& summary, std::size_t added_to_list) {
  if (!summary.ok) return "Nothing was imported: " + summary.message;
  std::string text;
  if (summary.imported == 0) {
    text = "Nothing new to import.";
  } else {
    text = "Imported " + plural(summary.imported, "bookmark", "bookmarks") + " in " +
           plural(summary.folders, "folder", "folders") + " into \"" + summary.folder_name +
           "\" in the favourites folder.";
  }
  if (summary.already_there > 0) {
    text += " " + plural(summary.already_there, "bookmark was", "bookmarks were") +
            " there from an earlier import.";
  }
  std::string skipped;
  for (const auto& [kind, count] : summary.skipped) {
    skipped += (skipped.empty() ? "" : ", ") + std::to_string(count) + " " + kind;
  }
  if (summary.empty_folders > 0) {
    skipped += (skipped.empty() ? "" : ", ") +
               plural(summary.empty_folders, "empty folder", "empty folders");
  }
  if (!skipped.empty()) text += " Skipped: " + skipped + ".";
  if (summary.failed > 0) {
    text += " " + plural(summary.failed, "bookmark", "bookmarks") + " could not be written.";
  }
  if (added_to_list > 0) {
    text += " " + plural(added_to_list, "address was", "addresses were") +
            " added to the favourites list.";
  }
  return text;
}

ImportExport::ImportExport(Gtk::Window& parent, FavoritesHost& host,
                           std::vector<BookmarkSource> sources, std::string favorites_folder)
    : host_(host), sources_(std::move(sources)), favorites_folder_(std::move(favorites_folder)) {
  std::vector<std::string> lines;
  std::vector<bool> readable;
  for (const BookmarkSource& source : sources_) {
    const BookmarkRead read = read_bookmark_source(source);
    lines.push_back(source_title(source) + ": " +
                    (read.ok ? holds(count_bookmarks(read.root)) : read.message));
    readable.push_back(read.ok);
  }
  window_ = std::make_unique<ImportExportWindow>(lines, readable);
  window_->set_transient_for(parent);
  choose_file = [this](bool save) { return choose_with_dialog(save); };
  window_->cmdImport.signal_clicked().connect([this] { guarded([&] { start_import(); }); });
  window_->cmdExport.signal_clicked().connect([this] { guarded([&] { export_favorites(); }); });
  window_->cmdClose.signal_clicked().connect([this] { window_->hide(); });
  window_->signal_delete_event().connect(
      [this](GdkEventAny*) {
        if (!running()) window_->hide();
        return true;
      },
      false);
}

ImportExport::~ImportExport() {
  watch_.disconnect();
  if (worker_.joinable()) worker_.join();
}

void ImportExport::start_import() {
  if (running()) return;
  const std::size_t chosen = window_->chosen();
  BookmarkSource source;
  if (chosen < sources_.size()) {
    source = sources_[chosen];
  } else {
    const std::string path = choose_file(false);
    if (path.empty()) return;
    source = html_source(path);
  }
  run_ = std::make_shared<Run>();
  run_->source = std::move(source);
  run_->folder = favorites_folder_;
  run_->date = host_.services().now_local().format("%Y-%m-%d");
  window_->cmdImport.set_sensitive(false);
  window_->cmdExport.set_sensitive(false);
  window_->cmdClose.set_sensitive(false);
  window_->lblSummary.set_text("Importing from " + source_title(run_->source) + "...");
  started_ = std::chrono::steady_clock::now();
  worker_ = std::thread([run = run_] {
    try {
      const BookmarkRead read = read_bookmark_source(run->source);
      if (read.ok) {
        run->total = count_bookmarks(read.root).links;
        run->summary =
            import_bookmarks(read.root, run->folder, run->source.name, run->date, &run->done);
      } else {
        run->summary.message = read.message;
      }
    } catch (...) {
      run->summary = ImportSummary{};
      run->summary.message = "The import stopped on an error.";
    }
    run->finished.store(true, std::memory_order_release);
  });
  watch_ = Glib::signal_timeout().connect([this] { return watch_import(); }, kWatchMilliseconds);
}

bool ImportExport::watch_import() {
  if (run_->finished.load(std::memory_order_acquire)) {
    guarded([&] { finish_import(); });
    return false;
  }
  if (std::chrono::steady_clock::now() - started_ >= kQuietTime) {
    const std::size_t total = run_->total.load();
    window_->prgImport.show();
    if (total > 0) {
      window_->prgImport.set_fraction(
          std::min(1.0, static_cast<double>(run_->done.load()) / static_cast<double>(total)));
      window_->prgImport.set_text(std::to_string(run_->done.load()) + " of " +
                                  std::to_string(total));
    } else {
      window_->prgImport.pulse();
    }
  }
  return true;
}

void ImportExport::finish_import() {
  worker_.join();
  const std::shared_ptr<Run> run = std::move(run_);
  window_->prgImport.hide();
  window_->cmdImport.set_sensitive(true);
  window_->cmdExport.set_sensitive(true);
  window_->cmdClose.set_sensitive(true);
  std::size_t added = 0;
  if (run->summary.ok && window_->chkFavList.get_active() && !run->summary.addresses.empty()) {
    // As Add does: to the end of the list, which is written back when it always is.
    frmFav& list = load_favorites_window(host_);
    list.items().begin_bulk();
    for (const std::string& address : run->summary.addresses) list.items().add_item(address);
    list.items().end_bulk();
    list.changed = true;
    added = run->summary.addresses.size();
  }
  window_->lblSummary.set_text(import_summary_text(run->summary, added));
  if (run->summary.imported > 0 || added > 0) host_.favorites_changed();
}

void ImportExport::export_favorites() {
  const std::string path = choose_file(true);
  if (path.empty()) return;
  Bookmark root = read_favorites_tree(favorites_folder_);
  Bookmark list{"Favorites list", "", true, {}};
  for (const std::string& entry : favorites_list(host_)) {
    list.children.push_back({entry, entry, false, {}});
  }
  if (!list.children.empty()) root.children.push_back(std::move(list));
  const std::string html = write_html_bookmarks(root);
  OwnedError error;
  if (g_file_set_contents_full(path.c_str(), html.data(), static_cast<gssize>(html.size()),
                               G_FILE_SET_CONTENTS_CONSISTENT, 0644, out(error)) == FALSE) {
    window_->lblSummary.set_text("The favourites could not be exported: " +
                                 std::string(error ? error->message : "unknown error"));
    return;
  }
  window_->lblSummary.set_text("Exported " + holds(count_bookmarks(root)) + " to " +
                               take_string(g_filename_display_name(path.c_str())) + ".");
}

std::string ImportExport::choose_with_dialog(bool save) {
  Gtk::FileChooserDialog dialog(
      *window_, save ? "Export Favourites" : "Import Bookmarks",
      save ? Gtk::FILE_CHOOSER_ACTION_SAVE : Gtk::FILE_CHOOSER_ACTION_OPEN);
  dialog.add_button("_Cancel", Gtk::RESPONSE_CANCEL);
  dialog.add_button(save ? "_Save" : "_Open", Gtk::RESPONSE_ACCEPT);
  auto html = Gtk::FileFilter::create();
  html->set_name("HTML bookmarks files");
  html->add_pattern("*.html");
  html->add_pattern("*.htm");
  dialog.add_filter(html);
  auto all = Gtk::FileFilter::create();
  all->set_name("All files");
  all->add_pattern("*");
  dialog.add_filter(all);
  if (save) {
    dialog.set_do_overwrite_confirmation(true);
    dialog.set_current_name("bookmarks.html");
  }
  if (dialog.run() != Gtk::RESPONSE_ACCEPT) return "";
  return dialog.get_filename();
}

void attach_import_export(Form1& form, FavoritesHost& host) {
  auto held = std::make_shared<std::unique_ptr<ImportExport>>();
  form.mnuFileImportExport.signal_activate().connect([&form, &host, held] {
    guarded([&] {
      // A running import keeps its window; otherwise the sources are looked at afresh.
      if (!*held || !(*held)->running()) {
        held->reset();
        *held = std::make_unique<ImportExport>(
            form, host, find_bookmark_sources(g_get_home_dir(), g_get_user_config_dir()),
            favorites_folder_path());
      }
      (*held)->window().present();
    });
  });
}

}  // namespace kv
