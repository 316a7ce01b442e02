#pragma once

namespace kv {

class Form1;
class ShellFolders;

// Favorites > Internet Explorer Favorites and Tools > Show History, which show the shell's
// favourites and history folders in the window's folder pane (WB1), and cmdCloseFavs,
// which hides the pane. `shell` must outlive the window.
void attach_folder_panes(Form1& form, ShellFolders& shell);

// Shows the folder `csidl` in the window's pane with `caption` on its close button.
void show_folder_pane(Form1& form, ShellFolders& shell, int csidl, const char* caption);

// Hides the pane and its close button; the pane keeps its folder and the button its caption.
void close_folder_pane(Form1& form);

}  // namespace kv
