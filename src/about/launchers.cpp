#include "about/launchers.h"

#include <string>

#include "about/about_texts.h"
#include "browser/form1.h"
#include "desktop/desktop_services.h"
#include "desktop/guarded.h"
#include "desktop/program_launcher.h"

namespace kv {
namespace {

// Starts the program and returns at once; a program that cannot be started leaves
// everything as it was and says nothing.
void connect_launch(Gtk::MenuItem& item, ProgramLauncher& launcher, std::string command_line,
                    int state) {
  item.signal_activate().connect([&launcher, command_line = std::move(command_line), state] {
    guarded([&] { launcher.Shell(command_line, state); });
  });
}

}  // namespace

void attach_launchers(Form1& form, ProgramLauncher& launcher, DesktopServices& services) {
  connect_launch(form.mnuToolsMailNews, launcher, launch::kMailNews, window_state::kNormalFocus);
  connect_launch(form.mnuToolsAddressBook, launcher, launch::kAddressBook,
                 window_state::kNormalFocus);
  connect_launch(form.mnuToolsInternetOption, launcher, launch::kInternetOptions,
                 window_state::kNormalFocus);
  connect_launch(form.mnuFileNewMessage, launcher, launch::kNewMessage,
                 window_state::kMinimizedFocus);
  connect_launch(form.mnuSendEmail, launcher,
                 std::string(launch::kNewMessage) + about_text::kAuthorAddress,
                 window_state::kMinimizedFocus);
  form.mnuHelpWebsite.signal_activate().connect([&form, &services] {
    guarded([&] {
      services.MsgBox(&form, "Site is down temporary", msgbox::kOkOnly | msgbox::kInformation,
                      "Website under construction");
    });
  });
}

}  // namespace kv
