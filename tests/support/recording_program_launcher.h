#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "desktop/program_launcher.h"

namespace kv::test {

// A program launcher that records every start asked of it. `missing` makes every start
// fail, as when the program is not installed; `refused` makes it throw.
class RecordingProgramLauncher : public ProgramLauncher {
 public:
  struct Start {
    std::string command_line;
    int window_state;
  };

  bool Shell(const std::string& command_line, int window_state) override {
    starts.push_back({command_line, window_state});
    if (refused) throw std::runtime_error("start refused");
    return !missing;
  }

  std::vector<Start> starts;
  bool missing = false;
  bool refused = false;
};

}  // namespace kv::test
