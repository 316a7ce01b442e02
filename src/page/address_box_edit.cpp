#include "page/address_box_edit.h"

#include <gtkmm/entry.h>

namespace kv {

void replace_selection(Gtk::Entry& entry, const Glib::ustring& text) {
  int start = 0;
  int end = 0;
  if (!entry.get_selection_bounds(start, end)) start = end = entry.get_position();
  if (end > start) entry.delete_text(start, end);
  int position = start;
  // The length is in bytes.
  if (!text.empty()) entry.insert_text(text, static_cast<int>(text.bytes()), position);
  entry.set_position(position);
}

void select_all_text(Gtk::Entry& entry) {
  entry.select_region(0, static_cast<int>(entry.get_text_length()));
}

void select_no_text(Gtk::Entry& entry) {
  entry.set_position(static_cast<int>(entry.get_text_length()));
}

}  // namespace kv
