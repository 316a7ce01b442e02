#pragma once

#include <string>

namespace kv {

// Window states a started program is asked for, by their published numbers.
namespace window_state {
inline constexpr int kHide = 0;
inline constexpr int kNormalFocus = 1;
inline constexpr int kMinimizedFocus = 2;
inline constexpr int kMaximizedFocus = 3;
inline constexpr int kNormalNoFocus = 4;
inline constexpr int kMinimizedNoFocus = 6;
}  // namespace window_state

// Starts another program from a command line and does not wait for it.
class ProgramLauncher {
 public:
  ProgramLauncher() = default;
  ProgramLauncher(const ProgramLauncher&) = delete;
  ProgramLauncher& operator=(const ProgramLauncher&) = delete;
  ProgramLauncher(ProgramLauncher&&) = delete;
  ProgramLauncher& operator=(ProgramLauncher&&) = delete;
  virtual ~ProgramLauncher() = default;

  // false when the program could not be started; nothing is shown either way.
  virtual bool Shell(const std::string& command_line, int window_state) = 0;
};

// The name of Kestrivane's own Internet Options program file.
inline constexpr const char* kInternetOptionsProgram = "kestrivane-internet-options";

// What a command line turns into on this desktop. The browser's launchers carry the
// command lines of the platform it was first written for; those are mapped to this
// desktop's counterparts, and any other command line runs as it stands.
struct LaunchPlan {
  enum class Kind {
    OpenUri,          // "explorer mailto:...": the URI's default handler
    DefaultMail,      // the mail reader: the desktop's default mail program
    DefaultContacts,  // the address book: the desktop's default contacts program
    InternetOptions,  // the Internet options panel: our own Internet Options program
    CommandLine,      // anything else, parsed as a shell would and run
  };
  Kind kind = Kind::CommandLine;
  std::string argument;  // the URI for OpenUri, the command line for CommandLine
};
LaunchPlan plan_launch(const std::string& command_line);

// The real launcher on GIO. Our Internet Options program is looked for in
// `program_folder` (the browser's own folder) first, then on PATH.
class DesktopProgramLauncher : public ProgramLauncher {
 public:
  explicit DesktopProgramLauncher(std::string program_folder);
  bool Shell(const std::string& command_line, int window_state) override;

  // The Internet Options program file that Shell would start; "" when there is none.
  [[nodiscard]] std::string internet_options_program() const;

 private:
  std::string program_folder_;
};

}  // namespace kv
