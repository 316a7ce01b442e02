#pragma once

#include <gtk/gtk.h>

#include <cstddef>
#include <optional>
#include <string_view>

#include "desktop/glib_handles.h"
#include "favorites/fav_entries.h"

namespace kv {

// List1's rows: a flat tree model of one text column over FavEntries. Rows are read
// straight from the entries; nothing is copied into GTK per row. Changes of one row are
// announced to the view; changes of many are made while no view shows the model, so the
// view builds its rows once when it is given the model again.
class List1Model {
 public:
  List1Model();
  List1Model(const List1Model&) = delete;
  List1Model& operator=(const List1Model&) = delete;
  List1Model(List1Model&&) = delete;
  List1Model& operator=(List1Model&&) = delete;
  ~List1Model();

  [[nodiscard]] GtkTreeModel* gobj() const { return model_.get(); }
  [[nodiscard]] const FavEntries& rows() const;
  // For changes of many rows at once, without a signal per row: no view may show the
  // model until the change is over.
  FavEntries& rows_unshown();

  // Appends one entry the user added, and tells the view.
  void append(std::string_view text);
  // Removes the row at `index`, and tells the view; false when there is none.
  bool remove(std::size_t index);

  // The row that an iterator of this model stands on.
  [[nodiscard]] std::optional<std::size_t> index_of(const GtkTreeIter* iter) const;

 private:
  const ObjectRef<GtkTreeModel> model_;
};

}  // namespace kv
