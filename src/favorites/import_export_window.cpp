#include "favorites/import_export_window.h"

#include "desktop/control_name.h"

namespace kv {

ImportExportWindow::ImportExportWindow(const std::vector<std::string>& sources,
                                       const std::vector<bool>& readable)
    : chkFavList("Also add the addresses to the _favourites list", true),
      cmdImport("_Import", true),
      cmdExport("_Export...", true),
      cmdClose("_Close", true),
      import_heading_("Import favourites from:", Gtk::ALIGN_START),
      export_heading_("Export the favourites folder and list to an HTML bookmarks file.",
                      Gtk::ALIGN_START) {
  set_title(kImportExportTitle);
  set_modal(true);
  set_resizable(false);
  set_border_width(12);
  set_default_size(480, -1);
  set_position(Gtk::WIN_POS_CENTER_ON_PARENT);
  set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);

  box_.pack_start(import_heading_, Gtk::PACK_SHRINK);
  for (std::size_t i = 0; i <= sources.size(); ++i) {
    const bool html = i == sources.size();
    auto choice = std::make_unique<Gtk::RadioButton>(group_, html ? kHtmlFileChoice : sources[i]);
    set_control_name(*choice, ("optSources" + std::to_string(i)).c_str());
    choice->set_sensitive(html || readable.at(i));
    box_.pack_start(*choice, Gtk::PACK_SHRINK);
    optSources.push_back(std::move(choice));
  }
  // The first source that can be read is the one offered.
  for (auto& choice : optSources) {
    if (choice->get_sensitive()) {
      choice->set_active(true);
      break;
    }
  }
  box_.pack_start(chkFavList, Gtk::PACK_SHRINK);
  box_.pack_start(cmdImport, Gtk::PACK_SHRINK);
  cmdImport.set_halign(Gtk::ALIGN_START);
  prgImport.set_show_text(true);
  prgImport.set_no_show_all(true);
  box_.pack_start(prgImport, Gtk::PACK_SHRINK);
  lblSummary.set_line_wrap(true);
  lblSummary.set_max_width_chars(60);
  lblSummary.set_xalign(0);
  lblSummary.set_selectable(true);
  box_.pack_start(lblSummary, Gtk::PACK_SHRINK);
  box_.pack_start(separator_, Gtk::PACK_SHRINK, 6);
  export_heading_.set_line_wrap(true);
  export_heading_.set_xalign(0);
  box_.pack_start(export_heading_, Gtk::PACK_SHRINK);
  buttons_.set_layout(Gtk::BUTTONBOX_END);
  buttons_.set_spacing(6);
  buttons_.pack_start(cmdExport);
  buttons_.pack_start(cmdClose);
  box_.pack_start(buttons_, Gtk::PACK_SHRINK);
  add(box_);

  set_control_name(chkFavList, "chkFavList");
  set_control_name(cmdImport, "cmdImport");
  set_control_name(cmdExport, "cmdExport");
  set_control_name(cmdClose, "cmdClose");
  set_control_name(prgImport, "prgImport");
  set_control_name(lblSummary, "lblSummary");
  show_all_children();
}

ImportExportWindow::~ImportExportWindow() = default;

std::size_t ImportExportWindow::chosen() const {
  for (std::size_t i = 0; i < optSources.size(); ++i) {
    if (optSources[i]->get_active()) return i;
  }
  return source_count();
}

}  // namespace kv
