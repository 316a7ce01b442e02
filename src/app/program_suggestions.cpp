#include "app/program_suggestions.h"

#include <gtkmm/treemodel.h>

#include "browser/form1.h"
#include "desktop/guarded.h"
#include "desktop/user_paths.h"
#include "favorites/favorites_host.h"
#include "favorites/frm_fav.h"
#include "favorites/module1.h"
#include "favorites/text_list_items.h"
#include "shell/favorites_folder.h"
#include "shell/shell_folders.h"
#include "shell/suggestion_worker.h"

namespace kv {
namespace {

// How far into the favourites folder's subfolders, and how many links, the list reads:
// enough for any collection, bounded for a folder that links back into itself.
constexpr int kFolderDepth = 12;
constexpr std::size_t kFolderLinks = 200000;

void add_folder_links(SuggestionEntries& into, const std::string& folder, int depth,
                      std::size_t& budget) {
  if (depth > kFolderDepth || budget == 0) return;
  FolderListing listing = read_favorites_folder(folder, budget);
  for (FolderLink& link : listing.links) {
    if (budget == 0) return;
    if (link.address.empty()) continue;
    --budget;
    into.add(std::move(link.address), std::move(link.name));
  }
  for (const std::string& subfolder : listing.subfolders) {
    add_folder_links(into, folder + "/" + subfolder, depth + 1, budget);
  }
}

std::vector<std::string> typed_list(Form1& form) {
  std::vector<std::string> typed;
  const Glib::RefPtr<Gtk::TreeModel> model = form.cboURL.get_model();
  if (!model) return typed;
  const int column = form.cboURL.get_entry_text_column();
  for (const Gtk::TreeRow& row : model->children()) {
    Glib::ustring text;
    row.get_value(column, text);
    if (!text.empty()) typed.push_back(text);
  }
  return typed;
}

}  // namespace

ProgramSuggestions::ProgramSuggestions(FavoritesHost& favorites) : favorites_(favorites) {}

ProgramSuggestions::~ProgramSuggestions() = default;

SuggestionWorker& ProgramSuggestions::worker() {
  if (!worker_) {
    std::string fav_dat = favorites_.favorites_file();
    std::string folder = favorites_folder_path();
    worker_ = std::make_unique<SuggestionWorker>(
        history_database_path(), [fav_dat = std::move(fav_dat), folder = std::move(folder)](
                                     const std::optional<std::vector<std::string>>& unsaved) {
          SuggestionEntries entries;
          TextListItems items;
          if (unsaved) {
            items.texts = *unsaved;
          } else {
            Module1::LoadListFromFile(items, fav_dat, true);
          }
          for (std::string& entry : items.texts) entries.add(std::move(entry), "");
          std::size_t budget = kFolderLinks;
          if (!folder.empty()) add_folder_links(entries, folder, 0, budget);
          return entries;
        });
  }
  return *worker_;
}

void ProgramSuggestions::ask(Form1& form, const Glib::ustring& typed, bool fresh, Answer answer) {
  SuggestionAsk question;
  question.typed = typed;
  question.typed_list = typed_list(form);
  question.fresh = fresh;
  // Favourites added in this run are in the favourites window's list until the program
  // ends and saves it.
  if (fresh) {
    if (frmFav* window = favorites_.favorites_window(); window != nullptr && window->changed) {
      std::vector<std::string> unsaved;
      for (std::size_t i = 0; i < window->items().count(); ++i) {
        unsaved.push_back(window->items().item(i));
      }
      question.unsaved_favourites = std::move(unsaved);
    }
  }
  worker().ask(std::move(question), std::move(answer));
}

void ProgramSuggestions::cancel() {
  if (worker_) worker_->cancel();
}

void ProgramSuggestions::forget(const std::string& address) {
  worker().forget(address, [](bool) {});
}

}  // namespace kv
