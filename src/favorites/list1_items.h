#pragma once

#include <gtkmm/liststore.h>
#include <gtkmm/treeview.h>

#include "favorites/list_items.h"

namespace kv {

// A one-column list view (a Gtk::TreeView over a Gtk::ListStore of strings) seen as a
// list box's items. Bulk work runs on the store while it is detached from the view,
// so a million rows cost no redraws and no per-row work in the view.
class List1Items : public ListItems {
 public:
  explicit List1Items(Gtk::TreeView& view);

  // A store of the one text column, as the view expects.
  static Glib::RefPtr<Gtk::ListStore> new_store();

  void clear() override;
  void add_item(std::string_view text) override;
  [[nodiscard]] std::size_t count() const override;
  [[nodiscard]] std::string item(std::size_t index) const override;
  void begin_bulk() override;
  void end_bulk() override;

  // Removes the row at `index`; false when there is none.
  bool remove(std::size_t index);

 private:
  [[nodiscard]] GtkListStore* store() const;
  void forget_position() const { walked_store_ = nullptr; }

  Gtk::TreeView& view_;
  Glib::RefPtr<Gtk::ListStore> detached_;  // the store while in bulk
  std::string text_;                       // the text being appended, 0-terminated
  // Where item() last read, so that reading the items in order (as a save does) steps
  // to the next row instead of searching from the first each time.
  mutable GtkListStore* walked_store_ = nullptr;
  mutable std::size_t walked_index_ = 0;
  mutable GtkTreeIter walked_iter_{};
};

}  // namespace kv
