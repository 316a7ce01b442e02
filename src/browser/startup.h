#pragma once

namespace kv {

class Form1;

// The start-up of every main window, run once as it is loaded, before it is shown.
void run_startup(Form1& form);

}  // namespace kv
