#include "browser/suggestion_list.h"

#include <gtkmm/box.h>
#include <gtkmm/label.h>

#include "desktop/control_name.h"
#include "desktop/guarded.h"
#include "desktop/widget_style.h"

namespace kv {
namespace {

Gtk::Label& cell(const Glib::ustring& text, Pango::EllipsizeMode ellipsize) {
  auto* label = Gtk::make_managed<Gtk::Label>(text);
  label->set_xalign(0.0F);
  label->set_ellipsize(ellipsize);
  label->set_width_chars(1);  // the row's width sets the cell's, not its text
  label->set_hexpand(true);
  return *label;
}

}  // namespace

SuggestionList::SuggestionList() : Gtk::Window(Gtk::WINDOW_POPUP) {
  set_control_name(*this, "lstSuggestions");
  set_type_hint(Gdk::WINDOW_TYPE_HINT_COMBO);
  set_can_focus(false);
  list_.set_can_focus(false);
  list_.set_selection_mode(Gtk::SELECTION_SINGLE);
  list_.set_activate_on_single_click(true);
  list_.get_style_context()->add_class("view");
  set_control_name(list_, "lstSuggestions");
  set_accessible_name(list_, "Suggestions");
  list_.signal_row_activated().connect([this](Gtk::ListBoxRow* row) {
    if (row != nullptr) signal_row_clicked.emit(static_cast<std::size_t>(row->get_index()));
  });
  // A frame sets the list apart from a white page under it.
  frame_.set_shadow_type(Gtk::SHADOW_OUT);
  frame_.add(list_);
  add(frame_);
  frame_.show_all();
}

void SuggestionList::fill() {
  // Deleting a row takes it out of the list.
  for (Gtk::Widget* child : list_.get_children()) delete child;
  for (const Suggestion& suggestion : rows_) {
    auto* row = Gtk::make_managed<Gtk::ListBoxRow>();
    row->set_can_focus(false);
    auto* line = Gtk::make_managed<Gtk::Box>(Gtk::ORIENTATION_HORIZONTAL, 12);
    line->set_homogeneous(true);
    line->set_border_width(3);
    const Glib::ustring title = suggestion.title.empty() ? suggestion.address : suggestion.title;
    Gtk::Label& title_cell = cell(title, Pango::ELLIPSIZE_END);
    set_font(title_cell, "Times New Roman", 11.25);
    Gtk::Label& address_cell = cell(suggestion.address, Pango::ELLIPSIZE_MIDDLE);
    set_font(address_cell, "Arial", 9);
    // Dimmed as the theme dims, so that it stays readable on a chosen row.
    address_cell.get_style_context()->add_class("dim-label");
    line->pack_start(title_cell);
    line->pack_start(address_cell);
    row->add(*line);
    // Read out as "title, address", or the address alone when the page has no title.
    set_accessible_name(*row, suggestion.title.empty()
                                  ? Glib::ustring(suggestion.address)
                                  : Glib::ustring(suggestion.title + ", " + suggestion.address));
    row->show_all();
    list_.append(*row);
  }
}

void SuggestionList::show_below(Gtk::Widget& box, std::vector<Suggestion> rows) {
  rows_ = std::move(rows);
  fill();
  place_below(box);
  show();
  // Shown, the list box would take its first row for the chosen one.
  choose(std::nullopt);
}

void SuggestionList::place_below(Gtk::Widget& box) {
  auto* top = dynamic_cast<Gtk::Window*>(box.get_toplevel());
  if (top == nullptr || !top->get_window()) return;
  int x = 0;
  int y = 0;
  top->get_window()->get_origin(x, y);
  int bx = 0;
  int by = 0;
  box.translate_coordinates(*top, 0, 0, bx, by);
  set_transient_for(*top);
  set_attached_to(box);
  set_size_request(box.get_allocated_width(), -1);
  resize(box.get_allocated_width(), 1);  // as tall as its rows, no taller
  move(x + bx, y + by + box.get_allocated_height());
}

std::optional<std::size_t> SuggestionList::chosen() const {
  return chosen_;
}

void SuggestionList::choose(std::optional<std::size_t> row) {
  chosen_ = row && *row < rows_.size() ? row : std::nullopt;
  if (!chosen_) {
    list_.unselect_all();
    return;
  }
  if (Gtk::ListBoxRow* found = list_.get_row_at_index(static_cast<int>(*chosen_))) {
    list_.select_row(*found);
  }
}

void SuggestionList::remove_row(std::size_t row) {
  if (row >= rows_.size()) return;
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
  fill();
  choose(std::nullopt);
  resize(get_allocated_width(), 1);
}

}  // namespace kv
