#pragma once

#include <glibmm/ustring.h>

#include "browser/addresses.h"

namespace kv {

class Form1;

// The start-up of every main window, run once as it is loaded, before it is shown. The
// window opens `address` (nothing when empty: its page comes from elsewhere).
void run_startup(Form1& form, const Glib::ustring& address = kStartPageUrl);

}  // namespace kv
