#pragma once

#include <vector>

#include "session/session_file.h"

namespace kv {

class Program;

// The program's shown main windows, private ones left out, as the session file keeps them.
std::vector<SessionWindow> session_windows_of(Program& program);

// Runs Kestrivane as the one running program of the user's session: the first start
// becomes it; a later start hands its command line over and ends with the running
// program's answer. Without a session bus every start runs on its own.
int run_browser_application(int argc, char** argv);

}  // namespace kv
