#pragma once

namespace kv {

class Form1;
class ProgramHost;

// The keys and mouse buttons that users bring from other browsers. Each presses the
// button or activates the menu item of the command it names, so it does exactly what
// that command does:
//   Ctrl+L, Alt+D, F6     the address box, its text selected
//   Ctrl+K, Ctrl+E        the search box
//   Alt+Left, Alt+Right   Back, Forward (also the mouse's own buttons over the page)
//   Alt+Home              Home
//   Ctrl+W                the window's close box
//   Ctrl+F, Ctrl+R, Ctrl+D  Edit > Find, View > Refresh, Favorites > Add to Favorites
//   Escape                Stop, while a page loads
//   Ctrl+Plus, Ctrl+Minus, Ctrl+0  View > Text Size: a size larger, smaller, Medium
// A link the user clicks with the middle button, or with Ctrl or Shift held, opens in a
// new main window whatever the pop-up button says: the user asked for it.
void attach_habit_keys(Form1& form, ProgramHost& host);

}  // namespace kv
