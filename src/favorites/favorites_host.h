#pragma once

#include <string>

namespace kv {

class DesktopServices;
class Form1;
class frmFav;

// What the favourites code asks of the program object, which owns the one favourites
// window and the main windows.
class FavoritesHost {
 public:
  FavoritesHost() = default;
  FavoritesHost(const FavoritesHost&) = delete;
  FavoritesHost& operator=(const FavoritesHost&) = delete;
  FavoritesHost(FavoritesHost&&) = delete;
  FavoritesHost& operator=(FavoritesHost&&) = delete;
  virtual ~FavoritesHost() = default;

  // The loaded favourites window; nullptr when it is not loaded.
  virtual frmFav* favorites_window() = 0;
  // Makes the favourites window, not shown and with nothing attached, and keeps it as
  // the loaded one. Only called while none is loaded.
  virtual frmFav& create_favorites_window() = 0;
  // Unloads the favourites window: it disappears now, and goes once the running
  // handler has returned.
  virtual void unload_favorites_window() = 0;

  // The first main window; nullptr once it has been closed.
  virtual Form1* first_main_window() = 0;
  // Loads and shows a new main window, which becomes the first main window.
  virtual Form1& open_first_main_window() = 0;

  virtual DesktopServices& services() = 0;
  // The full path of fav.Dat.
  [[nodiscard]] virtual std::string favorites_file() const = 0;

  // Whether favourites sync is set up: the favourites window then keeps in step with
  // what a sync writes to fav.Dat.
  [[nodiscard]] virtual bool syncs_favorites() const { return false; }
  // The favourites changed here (an entry added or removed, an import): where sync is
  // set up, it takes them to the server soon.
  virtual void favorites_changed() {}
};

}  // namespace kv
