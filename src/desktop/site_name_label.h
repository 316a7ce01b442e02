#pragma once

#include <gtkmm/label.h>

#include <algorithm>

namespace kv {

// Makes `label`, which names a site, show the name whole. Whose site it is shows at the
// name's end (its registrable domain), just where an ellipsis would cut it, so a long
// name breaks over lines instead, between any two characters when it has to. Set before
// any attributes of the label's own.
inline void keep_site_name_whole(Gtk::Label& label) {
  // Breaking anywhere, the label would ask for the width of one character, and for the
  // height of all its text at that width, which would stretch its window.
  constexpr int kLeastChars = 24;
  label.set_ellipsize(Pango::ELLIPSIZE_NONE);
  label.set_line_wrap(true);
  label.set_line_wrap_mode(Pango::WRAP_WORD_CHAR);
  label.set_width_chars(std::max(label.get_width_chars(), kLeastChars));
  // A hyphen at a break would read as part of the name, which may hold hyphens of its own.
  Pango::AttrList attributes;
  Pango::Attribute no_hyphens = Pango::Attribute::create_attr_insert_hyphens(false);
  attributes.insert(no_hyphens);
  label.set_attributes(attributes);
}

}  // namespace kv
