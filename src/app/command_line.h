#pragma once

#include <string>
#include <vector>

namespace kv {

// kestrivane [OPTION] [ADDRESS|FILE]...
struct CommandLine {
  enum class Action { kOpen, kHelp, kVersion, kRefused };
  Action action = Action::kOpen;
  // --new-window: one more window even without an address.
  bool new_window = false;
  // --private: the addresses open in private windows; with none, one private window.
  bool private_windows = false;
  // The addresses to open, one window each, in order; files already as file:// addresses.
  std::vector<std::string> addresses;
  // For kRefused: the one line that says why.
  std::string error;
};

// Reads the arguments after the program's name. A file or folder named relative to `cwd`
// (the caller's working folder) that exists becomes its file:// address; any other
// argument is read as a typed address ("http://" in front unless it names a scheme).
CommandLine parse_command_line(const std::vector<std::string>& arguments, const std::string& cwd);

// What --help and --version print.
std::string usage_text();
std::string version_text();

}  // namespace kv
