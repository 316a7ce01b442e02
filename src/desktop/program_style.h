#pragma once

namespace kv {

// Loads the program's own style sheet (from its resources) for every window on the
// default screen. Safe to call more than once.
void install_program_style();

}  // namespace kv
