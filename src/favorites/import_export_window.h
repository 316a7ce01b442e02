#pragma once

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/buttonbox.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/label.h>
#include <gtkmm/progressbar.h>
#include <gtkmm/radiobutton.h>
#include <gtkmm/separator.h>
#include <gtkmm/window.h>

#include <memory>
#include <string>
#include <vector>

namespace kv {

// File > Import and Export: the sources found, each a choice with what it holds, an
// HTML file as the last choice, whether the addresses also go into the favourites list,
// Import, Export and Close, a progress bar and the last import's summary. This class
// is the view; the behaviour is in import_export.h.
class ImportExportWindow : public Gtk::Window {
 public:
  // One choice per line of `sources`; a source that cannot be read is shown, not chosen.
  ImportExportWindow(const std::vector<std::string>& sources, const std::vector<bool>& readable);
  ImportExportWindow(const ImportExportWindow&) = delete;
  ImportExportWindow& operator=(const ImportExportWindow&) = delete;
  ImportExportWindow(ImportExportWindow&&) = delete;
  ImportExportWindow& operator=(ImportExportWindow&&) = delete;
  ~ImportExportWindow() override;

  // The chosen source's index; sources().size() stands for the HTML file.
  [[nodiscard]] std::size_t chosen() const;
  [[nodiscard]] std::size_t source_count() const { return optSources.size() - 1; }

  std::vector<std::unique_ptr<Gtk::RadioButton>> optSources;  // the HTML file last
  Gtk::CheckButton chkFavList;
  Gtk::Button cmdImport, cmdExport, cmdClose;
  Gtk::ProgressBar prgImport;
  Gtk::Label lblSummary;

 private:
  Gtk::Box box_{Gtk::ORIENTATION_VERTICAL, 6};
  Gtk::Label import_heading_, export_heading_;
  Gtk::Separator separator_;
  Gtk::ButtonBox buttons_{Gtk::ORIENTATION_HORIZONTAL};
  Gtk::RadioButton::Group group_;
};

inline constexpr const char* kImportExportTitle = "Import and Export";
inline constexpr const char* kHtmlFileChoice = "An HTML bookmarks file...";

}  // namespace kv
