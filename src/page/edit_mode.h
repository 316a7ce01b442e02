#pragma once

namespace kv {

class Form1;

// File > Edit ON and Edit OFF: the shown document's designMode "On" or "Off", nothing
// else. Nothing is kept: a new page comes in whatever mode the control gives it.
void attach_edit_mode(Form1& form);

}  // namespace kv
