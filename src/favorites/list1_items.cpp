#include "favorites/list1_items.h"

#include <stdexcept>

namespace kv {

List1Items::List1Items(Gtk::TreeView& view) : view_(view) {}

Glib::RefPtr<Gtk::ListStore> List1Items::new_store() {
  return Glib::wrap(gtk_list_store_new(1, G_TYPE_STRING));
}

GtkListStore* List1Items::store() const {
  if (detached_) return detached_->gobj();
  GtkTreeModel* model = gtk_tree_view_get_model(const_cast<GtkTreeView*>(view_.gobj()));
  if (model == nullptr || !GTK_IS_LIST_STORE(model)) throw std::logic_error("List1 has no store");
  return GTK_LIST_STORE(model);
}

void List1Items::clear() {
  forget_position();
  if (detached_) {
    // Dropping the detached store frees its rows without a signal per row.
    detached_ = new_store();
    return;
  }
  gtk_list_store_clear(store());
}

void List1Items::add_item(std::string_view text) {
  forget_position();
  text_.assign(text);
  // Straight from a value, without the variable-argument parsing of each call.
  GValue value = G_VALUE_INIT;
  g_value_init(&value, G_TYPE_STRING);
  g_value_set_static_string(&value, text_.c_str());
  gint column = 0;
  gtk_list_store_insert_with_valuesv(store(), nullptr, -1, &column, &value, 1);
  g_value_unset(&value);
}

std::size_t List1Items::count() const {
  return static_cast<std::size_t>(gtk_tree_model_iter_n_children(GTK_TREE_MODEL(store()), nullptr));
}

std::string List1Items::item(std::size_t index) const {
  GtkListStore* list = store();
  GtkTreeModel* model = GTK_TREE_MODEL(list);
  GtkTreeIter iter;
  const bool next_row = walked_store_ == list && index == walked_index_ + 1;
  if (next_row) {
    iter = walked_iter_;
    if (!gtk_tree_model_iter_next(model, &iter)) {
      forget_position();
      throw std::out_of_range("List1 has no such item");
    }
  } else if (index > G_MAXINT ||
             !gtk_tree_model_iter_nth_child(model, &iter, nullptr, static_cast<gint>(index))) {
    throw std::out_of_range("List1 has no such item");
  }
  walked_store_ = list;
  walked_index_ = index;
  walked_iter_ = iter;
  GValue value = G_VALUE_INIT;
  gtk_tree_model_get_value(model, &iter, 0, &value);
  const gchar* text = g_value_get_string(&value);
  std::string result = text != nullptr ? text : "";
  g_value_unset(&value);
  return result;
}

bool List1Items::remove(std::size_t index) {
  forget_position();
  GtkTreeModel* model = GTK_TREE_MODEL(store());
  GtkTreeIter iter;
  if (index > G_MAXINT ||
      !gtk_tree_model_iter_nth_child(model, &iter, nullptr, static_cast<gint>(index))) {
    return false;
  }
  gtk_list_store_remove(GTK_LIST_STORE(model), &iter);
  return true;
}

void List1Items::begin_bulk() {
  forget_position();
  if (detached_) return;
  detached_ = Glib::RefPtr<Gtk::ListStore>::cast_dynamic(view_.get_model());
  if (!detached_) detached_ = new_store();
  view_.unset_model();
}

void List1Items::end_bulk() {
  forget_position();
  if (!detached_) return;
  view_.set_model(detached_);
  detached_.reset();
}

}  // namespace kv
