#pragma once

namespace kv {

class DesktopServices;
class Form1;

// The window's clock: every tick of Timer1 writes the local time, then the date, in the
// user's regional formats.
void attach_clock(Form1& form, DesktopServices& services);

}  // namespace kv
