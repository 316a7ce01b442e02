#include "favorites/list1_items.h"

#include <stdexcept>

namespace kv {

List1Items::List1Items(Gtk::TreeView& view) : view_(view) {
  attach();
}

List1Items::~List1Items() = default;

void List1Items::attach() {
  gtk_tree_view_set_model(view_.gobj(), model_.gobj());
  detached_ = false;
}

void List1Items::detach() {
  gtk_tree_view_set_model(view_.gobj(), nullptr);
  detached_ = true;
}

void List1Items::clear() {
  if (detached_) {
    model_.rows_unshown().clear();
    return;
  }
  detach();
  model_.rows_unshown().clear();
  attach();
}

void List1Items::add_item(std::string_view text) {
  if (detached_) {
    model_.rows_unshown().push_text(text);
    return;
  }
  model_.append(text);
}

void List1Items::add_entries(FavEntries&& entries) {
  if (detached_) {
    model_.rows_unshown().append(std::move(entries));
    return;
  }
  detach();
  model_.rows_unshown().append(std::move(entries));
  attach();
}

std::size_t List1Items::count() const {
  return model_.rows().size();
}

const FavEntries::Entry& List1Items::at(std::size_t index) const {
  if (index >= model_.rows().size()) throw std::out_of_range("List1 has no such item");
  return model_.rows()[index];
}

std::string List1Items::item(std::size_t index) const {
  return std::string(at(index).text);
}

std::string_view List1Items::item_bytes(std::size_t index) const {
  return at(index).bytes;
}

bool List1Items::remove(std::size_t index) {
  if (detached_) {
    if (index >= model_.rows().size()) return false;
    model_.rows_unshown().erase(index);
    return true;
  }
  return model_.remove(index);
}

std::string_view List1Items::text_at(const GtkTreeIter* iter) const {
  const auto index = model_.index_of(iter);
  return index ? model_.rows()[*index].text : std::string_view();
}

void List1Items::begin_bulk() {
  if (!detached_) detach();
}

void List1Items::end_bulk() {
  if (detached_) attach();
}

}  // namespace kv
