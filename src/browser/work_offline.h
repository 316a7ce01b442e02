#pragma once

namespace kv {

class DesktopServices;
class Form1;

// While the window's Work Offline mark is set, tells the user so in a modal message box.
// The mark itself is the check mark of File > Work Offline, which toggles on each click.
void warn_if_working_offline(Form1& form, DesktopServices& services);

}  // namespace kv
