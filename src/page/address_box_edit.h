#pragma once

#include <glibmm/ustring.h>

namespace Gtk {
class Entry;
}

namespace kv {

// Paste, Select All and Select None on a single-line edit field, as the Edit menu does
// them on the address box. None of them moves the focus.

// The text replaces the selection, or goes in at the caret when nothing is selected; an
// empty text removes the selection. The caret ends after the text put in.
void replace_selection(Gtk::Entry& entry, const Glib::ustring& text);

// Selects the whole text.
void select_all_text(Gtk::Entry& entry);

// Puts the caret after the last character, with nothing selected.
void select_no_text(Gtk::Entry& entry);

}  // namespace kv
