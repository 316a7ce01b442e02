#include "browser/suggestion_list.h"

#include <gtkmm/box.h>
#include <gtkmm/label.h>

#include <algorithm>

#include "desktop/control_name.h"
#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "desktop/page_title.h"
#include "desktop/widget_style.h"

namespace kv {
namespace {

// A host longer than this is cut at its start, where its least telling labels are.
constexpr int kHostChars = 30;

Gtk::Label& cell(const Glib::ustring& text, Pango::EllipsizeMode ellipsize) {
  auto* label = Gtk::make_managed<Gtk::Label>(text);
  label->set_xalign(0.0F);
  label->set_ellipsize(ellipsize);
  label->set_width_chars(1);  // the row's width sets the cell's, not its text
  label->set_hexpand(true);
  return *label;
}

}  // namespace

SuggestionText suggestion_text(const Suggestion& suggestion) {
  const std::string title = shown_title(suggestion.title);
  // A title that reads like an address would pass for an address it is not.
  if (title.empty() || reads_like_address(title)) {
    return {suggestion.address, "", suggestion.address};
  }
  std::string host;
  if (const OwnedUri uri{g_uri_parse(suggestion.address.c_str(), G_URI_FLAGS_NONE, nullptr)}) {
    if (const char* name = g_uri_get_host(uri.get()); name != nullptr && *name != '\0') {
      host = name;
      if (g_uri_get_port(uri.get()) > 0) host += ":" + std::to_string(g_uri_get_port(uri.get()));
    }
  }
  return {title, host, title + ", " + suggestion.address};
}

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
    const SuggestionText text = suggestion_text(suggestion);
    // The title, and after it the page's true host, which a long title cannot push out.
    auto* named = Gtk::make_managed<Gtk::Box>(Gtk::ORIENTATION_HORIZONTAL, 0);
    Gtk::Label& title_cell = cell(text.main, Pango::ELLIPSIZE_END);
    set_font(title_cell, "Times New Roman", 11.25);
    // As long as the title, so that the host follows it; a long one gives way.
    title_cell.set_hexpand(false);
    named->pack_start(title_cell, Gtk::PACK_SHRINK);
    if (!text.host.empty()) {
      Gtk::Label& host_cell = cell(" \u2014 " + text.host, Pango::ELLIPSIZE_START);
      host_cell.set_hexpand(false);
      // Whole up to kHostChars: the title gives way first.
      const int chars = static_cast<int>(host_cell.get_text().size());
      host_cell.set_width_chars(std::min(chars, kHostChars));
      host_cell.set_max_width_chars(kHostChars);
      set_font(host_cell, "Times New Roman", 11.25);
      named->pack_start(host_cell, Gtk::PACK_SHRINK);
    }
    Gtk::Label& address_cell = cell(suggestion.address, Pango::ELLIPSIZE_MIDDLE);
    set_font(address_cell, "Arial", 9);
    // Dimmed as the theme dims, so that it stays readable on a chosen row.
    address_cell.get_style_context()->add_class("dim-label");
    line->pack_start(*named);
    line->pack_start(address_cell);
    row->add(*line);
    set_accessible_name(*row, text.spoken);
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
