#pragma once

#include <gtkmm/treeview.h>

#include "favorites/list1_model.h"
#include "favorites/list_items.h"

namespace kv {

// The one-column list view List1 seen as a list box's items, over a List1Model. Work on
// many rows at once runs while the model is detached from the view, so that the view
// builds its rows once and no signal goes out per row.
class List1Items : public ListItems {
 public:
  // Gives `view` the model.
  explicit List1Items(Gtk::TreeView& view);
  List1Items(const List1Items&) = delete;
  List1Items& operator=(const List1Items&) = delete;
  List1Items(List1Items&&) = delete;
  List1Items& operator=(List1Items&&) = delete;
  ~List1Items() override;

  void clear() override;
  void add_item(std::string_view text) override;
  void add_entries(FavEntries&& entries) override;
  [[nodiscard]] std::size_t count() const override;
  [[nodiscard]] std::string item(std::size_t index) const override;
  [[nodiscard]] std::string_view item_bytes(std::size_t index) const override;
  void begin_bulk() override;
  void end_bulk() override;

  // Removes the row at `index`; false when there is none.
  bool remove(std::size_t index);
  // The text of the row that `iter` of List1's model stands on; empty for none.
  [[nodiscard]] std::string_view text_at(const GtkTreeIter* iter) const;
  // Takes the model from the view, as before the view goes: a view that still holds
  // its rows when it is destroyed announces each row's removal to accessibility tools.
  void detach();

 private:
  [[nodiscard]] const FavEntries::Entry& at(std::size_t index) const;
  void attach();

  Gtk::TreeView& view_;
  List1Model model_;
  bool detached_ = false;
};

}  // namespace kv
