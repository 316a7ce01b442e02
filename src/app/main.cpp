#include <glib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/browser_app.h"
#include "app/command_line.h"
#include "desktop/glib_handles.h"

int main(int argc, char** argv) {
  // Help, the version and a wrong option are answered here, without a running program.
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const kv::OwnedChars cwd(g_get_current_dir());
  const kv::CommandLine line = kv::parse_command_line(arguments, cwd.get());
  switch (line.action) {
    case kv::CommandLine::Action::kHelp:
      std::fputs(kv::usage_text().c_str(), stdout);
      return 0;
    case kv::CommandLine::Action::kVersion:
      std::fputs(kv::version_text().c_str(), stdout);
      return 0;
    case kv::CommandLine::Action::kRefused:
      std::fprintf(stderr, "%s\n", line.error.c_str());
      return 2;
    case kv::CommandLine::Action::kOpen:
      break;
  }
  return kv::run_browser_application(argc, argv);
}
