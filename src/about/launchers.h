#pragma once

namespace kv {

class DesktopServices;
class Form1;
class ProgramLauncher;

// The command lines that the launcher items of the main window start.
namespace launch {
inline constexpr const char* kMailNews = "C:\\Program Files\\Outlook Express\\MSIMN.EXE";
inline constexpr const char* kAddressBook = "C:\\Program Files\\Outlook Express\\wab.exe";
inline constexpr const char* kInternetOptions =
    "rundll32.exe shell32.dll,Control_RunDLL Inetcpl.cpl";
inline constexpr const char* kNewMessage = "explorer mailto:";
}  // namespace launch

// Tools > Mail & News, Address Book and Internet Options, File > New > Message, and
// Help > Send Email to programmer and Visit Website.
void attach_launchers(Form1& form, ProgramLauncher& launcher, DesktopServices& services);

}  // namespace kv
