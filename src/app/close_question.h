#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace Gtk {
class Window;
}

namespace kv {

class DesktopServices;
class Form1;

inline constexpr const char* kDownloadsRunningQuestion =
    "A download is still in progress. Cancel it and close?";

// Whether `form` is the only main window still shown.
bool last_open_window(const std::vector<std::unique_ptr<Form1>>& windows, const Form1& form);

// Ending the program (the last window's close box, File > Close, the end of the session)
// ends every download with it: while one runs the user is asked first, Cancel (the
// default) keeping everything open. True to go on.
bool may_end_with_downloads(DesktopServices& services, Gtk::Window& parent);
// The same for `running` downloads.
bool may_end_with_downloads(DesktopServices& services, Gtk::Window& parent, std::size_t running);

}  // namespace kv
