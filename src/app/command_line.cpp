#include "app/command_line.h"

#include <glib.h>
#include <glib/gstdio.h>

#include "app/version.h"
#include "browser/addresses.h"
#include "desktop/glib_handles.h"

namespace kv {
namespace {

// Whether the argument already says what it is ("http://...", "about:blank"): then it is
// never looked for on disk.
bool names_scheme(const std::string& argument) {
  const Glib::ustring text(argument);
  return navigation_address(text) == text;
}

// The file:// address of an existing file or folder, or "".
std::string file_address(const std::string& argument, const std::string& cwd) {
  if (argument.empty()) return "";
  const OwnedChars absolute(g_path_is_absolute(argument.c_str()) != FALSE
                                ? g_strdup(argument.c_str())
                                : g_build_filename(cwd.c_str(), argument.c_str(), nullptr));
  if (g_file_test(absolute.get(), G_FILE_TEST_EXISTS) == FALSE) return "";
  const OwnedChars canonical(g_canonicalize_filename(absolute.get(), nullptr));
  const OwnedChars uri(g_filename_to_uri(canonical.get(), nullptr, nullptr));
  return uri ? std::string(uri.get()) : "";
}

std::string address_for(const std::string& argument, const std::string& cwd) {
  // Text that is not UTF-8 can only be a file name; typed text is made readable.
  const OwnedChars text(g_utf8_make_valid(argument.data(), static_cast<gssize>(argument.size())));
  const std::string readable(text.get());
  if (readable == argument && names_scheme(argument)) return argument;
  std::string file = file_address(argument, cwd);
  if (!file.empty()) return file;
  return navigation_address(Glib::ustring(readable)).raw();
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& arguments, const std::string& cwd) {
  CommandLine line;
  bool options_end = false;
  for (const std::string& argument : arguments) {
    if (!options_end && argument == "--") {
      options_end = true;
    } else if (!options_end && (argument == "--help" || argument == "-h")) {
      line.action = CommandLine::Action::kHelp;
      return line;
    } else if (!options_end && argument == "--version") {
      line.action = CommandLine::Action::kVersion;
      return line;
    } else if (!options_end && argument == "--new-window") {
      line.new_window = true;
    } else if (!options_end && argument == "--private") {
      line.private_windows = true;
    } else if (!options_end && argument.size() > 1 && argument[0] == '-') {
      const OwnedChars shown(
          g_utf8_make_valid(argument.data(), static_cast<gssize>(argument.size())));
      line.action = CommandLine::Action::kRefused;
      line.error =
          "kestrivane: unknown option '" + std::string(shown.get()) + "' (see kestrivane --help)";
      line.addresses.clear();
      return line;
    } else if (!argument.empty()) {
      line.addresses.push_back(address_for(argument, cwd));
    }
  }
  return line;
}

std::string usage_text() {
  return "Usage: kestrivane [OPTION] [ADDRESS|FILE]...\n"
         "Opens each address or file in a main window of its own; with none, the start page.\n"
         "While Kestrivane runs, a second start hands its addresses to the running program.\n"
         "\n"
         "  --new-window  open one more window, also without an address\n"
         "  --private     open the addresses (or the start page) in private windows, which\n"
         "                keep no history, cookies or site data once they close\n"
         "  --help        show this help and end\n"
         "  --version     show the version and end\n";
}

std::string version_text() {
  return "Kestrivane " + std::to_string(version::kMajor) + "." + std::to_string(version::kMinor) +
         "." + std::to_string(version::kRevision) + "\n";
}

}  // namespace kv
