#include "favorites/add_favorite.h"

#include "browser/form1.h"
#include "desktop/desktop_services.h"
#include "desktop/guarded.h"
#include "favorites/fav_window.h"
#include "favorites/favorites_host.h"
#include "favorites/frm_fav.h"

namespace kv {

void attach_favorites_menu(Form1& form, FavoritesHost& host) {
  form.mnuFavoritesAddFavorites.signal_activate().connect(
      [&form, &host] { guarded([&] { add_to_favorites(form, host); }); });
  form.mnuFavoritesShowFavorites.signal_activate().connect([&host] { show_favorites(host); });
}

void add_to_favorites(Form1& form, FavoritesHost& host) {
  // Taken as it stands: no trimming, no scheme, duplicates allowed.
  Glib::ustring entry = form.cboURL_entry().get_text();
  if (entry.empty()) {
    entry =
        host.services().InputBox(&form, kAddFavoritePrompt, kAddFavoriteTitle, kAddFavoriteDefault);
  }
  if (entry.empty()) return;
  frmFav& window = load_favorites_window(host);
  window.items().add_item(entry.raw());
  window.changed = true;
  host.favorites_changed();
}

}  // namespace kv
