#pragma once

namespace kv {

class FavoritesHost;
class frmFav;

// Loads the favourites window unless it is loaded, without showing it: it is kept on
// top, its buttons and list get their handlers, List1 is filled from fav.Dat and
// Go to Url is disabled. Returns the loaded window.
frmFav& load_favorites_window(FavoritesHost& host);

// Favorites > Show Favorites: loads the window if needed (a hidden one keeps its list)
// and shows it in front.
void show_favorites(FavoritesHost& host);

// Go to Url, or a double-click on List1: the selected entry goes into the first main
// window's address bar and is loaded there; the favourites window hides. Nothing
// happens when no entry is selected. With the first main window closed, a new one is
// opened for it.
void open_favorite(frmFav& window, FavoritesHost& host);

// Remove: the selected entry leaves the list; with none selected nothing happens.
void remove_favorite(frmFav& window);

// Close: writes the list to fav.Dat and unloads the window. A file that the window
// could not read is never written over, and an empty list that was never changed
// writes nothing.
void close_favorites(frmFav& window, FavoritesHost& host);

// The program is ending: additions and removals made since the last load are saved.
// A window that was not changed writes nothing.
void save_favorites_at_end(FavoritesHost& host);

}  // namespace kv
