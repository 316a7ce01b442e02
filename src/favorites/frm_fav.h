#pragma once

#include <giomm/filemonitor.h>
#include <gtkmm/button.h>
#include <gtkmm/fixed.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/treeview.h>
#include <gtkmm/window.h>

#include <optional>
#include <string>
#include <vector>

#include "favorites/list1_items.h"
#include "favorites/module1.h"

namespace kv {

// The favourites window: a borderless list of the program's own favourites with Close,
// Remove and Go to Url below it. This class is the view; the behaviour is attached by
// load_favorites_window.
class frmFav : public Gtk::Window {  // NOLINT(readability-identifier-naming): the window's name
 public:
  frmFav();
  frmFav(const frmFav&) = delete;
  frmFav& operator=(const frmFav&) = delete;
  frmFav(frmFav&&) = delete;
  frmFav& operator=(frmFav&&) = delete;
  ~frmFav() override;

  // List1's items, as the favourites file reads and writes them.
  List1Items& items() { return items_; }
  // The index of List1's selected item; nothing when no item is selected.
  [[nodiscard]] std::optional<std::size_t> selected_index() const;
  // The scrolled frame that holds List1 at its place.
  Gtk::ScrolledWindow& List1_frame() { return frame_; }

  // Controls.
  Gtk::TreeView List1;
  Gtk::Button cmdClose, cmdRemove, cmdGoToFav;

  // What the last load found in fav.Dat, and whether the list has been changed since.
  Module1::FileRead file_read = Module1::FileRead::kMissing;
  bool changed = false;
  // While favourites sync is set up: fav.Dat's lines as the window last read or wrote
  // them, and the watch on the file (see fav_list_sync.h).
  std::optional<std::vector<std::string>> synced_lines;
  Glib::RefPtr<Gio::FileMonitor> fav_dat_watch;

  // The selection changes that the user made (a click or an arrow key), as a list
  // box's Click event: not the selection that the list view makes of its own accord
  // when it takes the focus.
  sigc::signal<void()>& signal_list_click() { return list_click_; }

 private:
  void lay_out_controls();
  void set_up_list();

  Gtk::Fixed fixed_;
  Gtk::ScrolledWindow frame_;
  List1Items items_{List1};
  sigc::signal<void()> list_click_;
  bool taking_focus_ = false;
};

// The title of the favourites window, which is never displayed.
inline constexpr const char* kFavTitle = "Form2";

}  // namespace kv
