#pragma once

namespace kv {

class DesktopServices;
class Form1;

// The address bar, the search box, the navigation buttons and the View menu's Go To and
// Refresh items of one main window.
void attach_navigation(Form1& form, DesktopServices& services);

// Go: navigate to the address bar's text, enable Back, and append the text to the
// address list.
void go(Form1& form);

}  // namespace kv
