#pragma once

#include <string>

namespace kv {

class FavoritesHost;
class frmFav;

// While favourites sync is set up, a sync (of this program or of Internet Options) may
// write fav.Dat while the favourites window holds its list. The window then keeps the
// lines it last read or wrote, as the base of a three-way merge with the file.

// Starts that: the window's lines as they are now, and a watch on fav.Dat that merges
// what is written there into the window's list.
void follow_synced_favorites(frmFav& window, FavoritesHost& host);

// Writes the window's list to fav.Dat, merged with what was written there since the
// window last read or wrote it. Returns whether it was written.
bool save_synced_favorites(frmFav& window, const std::string& path);

// Merges what was written to fav.Dat since into the window's list; the file is not
// written. The window's own unsaved changes stay unsaved.
void take_synced_favorites(frmFav& window, const std::string& path);

}  // namespace kv
