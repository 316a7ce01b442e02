#pragma once

#include <glibmm/ustring.h>

namespace kv {

class Form1;

// The window's handling of its page control's events: the status line, the caption and
// the address box follow each page load. Each handler acts on its own window only.
void attach_page_events(Form1& form);

// "Title - Kestrivane (Beta)", the title stripped of blanks (spaces only) at both ends.
Glib::ustring caption_for_title(const Glib::ustring& title);

}  // namespace kv
