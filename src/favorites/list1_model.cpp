#include "favorites/list1_model.h"

#include <gtkmm/treepath.h>

#include <algorithm>

namespace kv {
namespace {

// The GObject behind List1Model. Iterators carry the row's index and the model's stamp,
// which changes with every change of the rows.
struct KvList1Model {
  GObject parent;
  FavEntries* rows;
  gint stamp;
};

struct KvList1ModelClass {
  GObjectClass parent_class;
};

void kv_list1_model_tree_model_init(GtkTreeModelIface* iface);

// NOLINTNEXTLINE: the GObject type macros
G_DEFINE_TYPE_WITH_CODE(KvList1Model, kv_list1_model, G_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(GTK_TYPE_TREE_MODEL, kv_list1_model_tree_model_init))

KvList1Model* self(GtkTreeModel* model) {
  return reinterpret_cast<KvList1Model*>(model);
}

void kv_list1_model_init(KvList1Model* model) {
  model->rows = new FavEntries();
  model->stamp = static_cast<gint>(g_random_int());
}

void kv_list1_model_finalize(GObject* object) {
  delete reinterpret_cast<KvList1Model*>(object)->rows;
  G_OBJECT_CLASS(kv_list1_model_parent_class)->finalize(object);
}

void kv_list1_model_class_init(KvList1ModelClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = kv_list1_model_finalize;
}

bool set_row(KvList1Model* model, GtkTreeIter* iter, std::size_t index) {
  if (index >= model->rows->size()) {
    iter->stamp = 0;
    return false;
  }
  iter->stamp = model->stamp;
  iter->user_data = GSIZE_TO_POINTER(index);
  iter->user_data2 = nullptr;
  iter->user_data3 = nullptr;
  return true;
}

std::optional<std::size_t> row_of(KvList1Model* model, const GtkTreeIter* iter) {
  if (iter == nullptr || iter->stamp != model->stamp) return std::nullopt;
  const std::size_t index = GPOINTER_TO_SIZE(iter->user_data);
  if (index >= model->rows->size()) return std::nullopt;
  return index;
}

GtkTreeModelFlags get_flags(GtkTreeModel*) {
  return GTK_TREE_MODEL_LIST_ONLY;
}
gint get_n_columns(GtkTreeModel*) {
  return 1;
}
GType get_column_type(GtkTreeModel*, gint column) {
  return column == 0 ? G_TYPE_STRING : G_TYPE_INVALID;
}

gboolean get_iter(GtkTreeModel* model, GtkTreeIter* iter, GtkTreePath* path) {
  gint depth = 0;
  const gint* indices = gtk_tree_path_get_indices_with_depth(path, &depth);
  if (depth != 1 || indices[0] < 0) {
    iter->stamp = 0;
    return FALSE;
  }
  return set_row(self(model), iter, static_cast<std::size_t>(indices[0]));
}

GtkTreePath* get_path(GtkTreeModel* model, GtkTreeIter* iter) {
  const auto row = row_of(self(model), iter);
  if (!row || *row > G_MAXINT) return nullptr;
  return gtk_tree_path_new_from_indices(static_cast<gint>(*row), -1);
}

void get_value(GtkTreeModel* model, GtkTreeIter* iter, gint column, GValue* value) {
  g_value_init(value, G_TYPE_STRING);
  const auto row = row_of(self(model), iter);
  if (column != 0 || !row) return;
  const std::string_view text = (*self(model)->rows)[*row].text;
  g_value_take_string(value, g_strndup(text.data(), text.size()));
}

gboolean iter_next(GtkTreeModel* model, GtkTreeIter* iter) {
  const auto row = row_of(self(model), iter);
  if (!row) {
    iter->stamp = 0;
    return FALSE;
  }
  return set_row(self(model), iter, *row + 1);
}

gboolean iter_previous(GtkTreeModel* model, GtkTreeIter* iter) {
  const auto row = row_of(self(model), iter);
  if (!row || *row == 0) {
    iter->stamp = 0;
    return FALSE;
  }
  return set_row(self(model), iter, *row - 1);
}

gboolean iter_nth_child(GtkTreeModel* model, GtkTreeIter* iter, GtkTreeIter* parent, gint n) {
  if (parent != nullptr || n < 0) {
    iter->stamp = 0;
    return FALSE;
  }
  return set_row(self(model), iter, static_cast<std::size_t>(n));
}

gboolean iter_children(GtkTreeModel* model, GtkTreeIter* iter, GtkTreeIter* parent) {
  return iter_nth_child(model, iter, parent, 0);
}

gboolean iter_has_child(GtkTreeModel*, GtkTreeIter*) {
  return FALSE;
}

gint iter_n_children(GtkTreeModel* model, GtkTreeIter* iter) {
  if (iter != nullptr) return 0;
  return static_cast<gint>(std::min<std::size_t>(self(model)->rows->size(), G_MAXINT));
}

gboolean iter_parent(GtkTreeModel*, GtkTreeIter* iter, GtkTreeIter*) {
  iter->stamp = 0;
  return FALSE;
}

void kv_list1_model_tree_model_init(GtkTreeModelIface* iface) {
  iface->get_flags = get_flags;
  iface->get_n_columns = get_n_columns;
  iface->get_column_type = get_column_type;
  iface->get_iter = get_iter;
  iface->get_path = get_path;
  iface->get_value = get_value;
  iface->iter_next = iter_next;
  iface->iter_previous = iter_previous;
  iface->iter_children = iter_children;
  iface->iter_has_child = iter_has_child;
  iface->iter_n_children = iter_n_children;
  iface->iter_nth_child = iter_nth_child;
  iface->iter_parent = iter_parent;
}

}  // namespace

List1Model::List1Model()
    : model_(GTK_TREE_MODEL(g_object_new(kv_list1_model_get_type(), nullptr))) {}

List1Model::~List1Model() = default;

const FavEntries& List1Model::rows() const {
  return *self(model_.get())->rows;
}

FavEntries& List1Model::rows_unshown() {
  ++self(model_.get())->stamp;
  return *self(model_.get())->rows;
}

void List1Model::append(std::string_view text) {
  KvList1Model* model = self(model_.get());
  model->rows->push_text(text);
  ++model->stamp;
  const std::size_t index = model->rows->size() - 1;
  if (index > G_MAXINT) return;  // past what a tree path can name
  GtkTreeIter iter;
  set_row(model, &iter, index);
  const Gtk::TreePath path(gtk_tree_path_new_from_indices(static_cast<gint>(index), -1), false);
  gtk_tree_model_row_inserted(model_.get(), const_cast<GtkTreePath*>(path.gobj()), &iter);
}

bool List1Model::remove(std::size_t index) {
  KvList1Model* model = self(model_.get());
  if (index >= model->rows->size() || index > G_MAXINT) return false;
  model->rows->erase(index);
  ++model->stamp;
  const Gtk::TreePath path(gtk_tree_path_new_from_indices(static_cast<gint>(index), -1), false);
  gtk_tree_model_row_deleted(model_.get(), const_cast<GtkTreePath*>(path.gobj()));
  return true;
}

std::optional<std::size_t> List1Model::index_of(const GtkTreeIter* iter) const {
  return row_of(self(model_.get()), iter);
}

}  // namespace kv
