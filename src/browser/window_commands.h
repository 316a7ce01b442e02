#pragma once

namespace kv {

class Form1;
class ProgramHost;

// File > New > New Window and File > Close.
void attach_window_commands(Form1& form, ProgramHost& host);

}  // namespace kv
