#pragma once

namespace kv {

class DesktopServices;
class Form1;

// Tools > Change Kestrivane Color: the colour chosen in the colour chooser becomes the
// background of this window, its buttons and its three labels.
void attach_color_theme(Form1& form, DesktopServices& services);

}  // namespace kv
