#pragma once

namespace kv {

class Form1;

// Full screen in the main window. A page that asks for the whole screen (a video's full
// screen button) gets it: every other control of the window is hidden and the page area
// fills the screen until the page gives it back (Escape, or the page itself), when the
// window is laid out exactly as before. F11 puts the whole window in full screen and back.
void attach_full_screen(Form1& form);

// Ctrl+Shift+I opens the engine's inspector on the window's page.
void attach_developer_tools(Form1& form);

}  // namespace kv
