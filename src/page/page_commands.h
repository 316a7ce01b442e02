#pragma once

namespace kv {

class DesktopServices;
class Form1;

// The page commands of one main window's File and Edit menus and its Print button:
// Save As, Page Setup, Print, Print Preview, Properties, Undo, Cut, Copy, Paste, Select
// All, Select None and Find, each handed to the page's browser control. Paste, Select
// All and Select None act on the address box instead when it has the focus.
void attach_page_commands(Form1& form, DesktopServices& services);

}  // namespace kv
