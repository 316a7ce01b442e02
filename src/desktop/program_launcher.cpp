#include "desktop/program_launcher.h"

#include <gdk/gdk.h>
#include <gio/gio.h>
#include <glibmm/miscutils.h>
#include <glibmm/shell.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <utility>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return text;
}

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

std::string unquoted(std::string text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    text = text.substr(1, text.size() - 2);
  }
  return text;
}

// The file name of a path written with backslashes, as the other platform writes them.
std::string windows_file_name(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Startup notification is what this desktop has of a window state: a program asked to
// take the focus gets the time of the request, so its window may come to the front.
// Minimised and hidden windows have no generic counterpart.
ObjectRef<GAppLaunchContext> launch_context(int state) {
  if (state == window_state::kNormalNoFocus || state == window_state::kMinimizedNoFocus) {
    return nullptr;
  }
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr) return nullptr;
  GdkAppLaunchContext* context = gdk_display_get_app_launch_context(display);
  gdk_app_launch_context_set_timestamp(context, gtk_get_current_event_time());
  return ObjectRef<GAppLaunchContext>(G_APP_LAUNCH_CONTEXT(context));
}

bool launch(GAppInfo* app, int state) {
  if (app == nullptr) return false;
  auto context = launch_context(state);
  return g_app_info_launch(app, nullptr, context.get(), nullptr) != FALSE;
}

bool launch_default_for(std::initializer_list<const char*> content_types, int state) {
  for (const char* type : content_types) {
    ObjectRef<GAppInfo> app(g_app_info_get_default_for_type(type, FALSE));
    if (app) return launch(app.get(), state);
  }
  return false;
}

bool open_uri(const std::string& uri, int state) {
  auto context = launch_context(state);
  return g_app_info_launch_default_for_uri(uri.c_str(), context.get(), nullptr) != FALSE;
}

bool run_command_line(const std::string& command_line) {
  OwnedStrv argv;
  if (g_shell_parse_argv(command_line.c_str(), nullptr, out(argv), nullptr) == FALSE) {
    return false;
  }
  const gboolean started = g_spawn_async(nullptr, argv.get(), nullptr, G_SPAWN_SEARCH_PATH, nullptr,
                                         nullptr, nullptr, nullptr);
  return started != FALSE;
}

bool run_program_file(const std::string& path, int state) {
  // Through an application info so that the program gets startup notification; its
  // Exec line takes "%%" for a literal "%".
  std::string exec;
  for (const char ch : Glib::shell_quote(path)) {
    exec += ch;
    if (ch == '%') exec += '%';
  }
  ObjectRef<GAppInfo> app(g_app_info_create_from_commandline(
      exec.c_str(), "Internet Options", G_APP_INFO_CREATE_SUPPORTS_STARTUP_NOTIFICATION, nullptr));
  return launch(app.get(), state);
}

}  // namespace

LaunchPlan plan_launch(const std::string& command_line) {
  const std::string line = trimmed(command_line);
  const std::string low = lower(line);

  const auto blank = low.find_first_of(" \t");
  const std::string program = unquoted(low.substr(0, blank));
  const std::string rest =
      blank == std::string::npos ? std::string() : trimmed(line.substr(blank + 1));

  if ((program == "explorer" || program == "explorer.exe") &&
      lower(rest).rfind("mailto:", 0) == 0) {
    return {LaunchPlan::Kind::OpenUri, rest};
  }
  if ((program == "rundll32" || program == "rundll32.exe") &&
      low.find("inetcpl.cpl") != std::string::npos) {
    return {LaunchPlan::Kind::InternetOptions, {}};
  }
  // These two are paths with blanks in them, not quoted: the whole line is the path.
  const std::string file = windows_file_name(unquoted(low));
  if (file == "msimn.exe") return {LaunchPlan::Kind::DefaultMail, {}};
  if (file == "wab.exe") return {LaunchPlan::Kind::DefaultContacts, {}};
  return {LaunchPlan::Kind::CommandLine, line};
}

DesktopProgramLauncher::DesktopProgramLauncher(std::string program_folder)
    : program_folder_(std::move(program_folder)) {}

std::string DesktopProgramLauncher::internet_options_program() const {
  if (!program_folder_.empty()) {
    const std::string beside = program_folder_ + "/" + kInternetOptionsProgram;
    if (g_file_test(beside.c_str(), G_FILE_TEST_IS_REGULAR) != FALSE &&
        g_file_test(beside.c_str(), G_FILE_TEST_IS_EXECUTABLE) != FALSE) {
      return beside;
    }
  }
  return Glib::find_program_in_path(kInternetOptionsProgram);
}

bool DesktopProgramLauncher::Shell(const std::string& command_line, int window_state) {
  const LaunchPlan plan = plan_launch(command_line);
  switch (plan.kind) {
    case LaunchPlan::Kind::OpenUri:
      return open_uri(plan.argument, window_state);
    case LaunchPlan::Kind::DefaultMail:
      return launch_default_for({"x-scheme-handler/mailto"}, window_state);
    case LaunchPlan::Kind::DefaultContacts:
      return launch_default_for({"text/vcard", "text/x-vcard", "text/directory"}, window_state);
    case LaunchPlan::Kind::InternetOptions: {
      const std::string program = internet_options_program();
      return !program.empty() && run_program_file(program, window_state);
    }
    case LaunchPlan::Kind::CommandLine:
      return !plan.argument.empty() && run_command_line(plan.argument);
  }
  return false;
}

}  // namespace kv
