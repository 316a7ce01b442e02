#pragma once

namespace kv {

class Form1;
class ProgramHost;

// File > New > New Window and New Private Window, and File > Close, which ends the
// program once its host agrees.
void attach_window_commands(Form1& form, ProgramHost& host);

}  // namespace kv
