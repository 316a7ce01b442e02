#include "favorites/fav_window.h"

#include <optional>
#include <string>

#include "browser/form1.h"
#include "desktop/guarded.h"
#include "favorites/fav_list_sync.h"
#include "favorites/favorites_host.h"
#include "favorites/frm_fav.h"
#include "favorites/module1.h"

namespace kv {
namespace {

void attach_window_handlers(frmFav& window, FavoritesHost& host) {
  window.signal_list_click().connect([&window] { window.cmdGoToFav.set_sensitive(true); });
  window.cmdGoToFav.signal_clicked().connect([&window, &host] { open_favorite(window, host); });
  window.List1.signal_row_activated().connect(
      [&window, &host](const Gtk::TreeModel::Path&, Gtk::TreeViewColumn*) {
        open_favorite(window, host);
      });
  window.cmdRemove.signal_clicked().connect([&window, &host] {
    const std::size_t before = window.items().count();
    remove_favorite(window);
    if (window.items().count() != before) guarded([&] { host.favorites_changed(); });
  });
  window.cmdClose.signal_clicked().connect([&window, &host] { close_favorites(window, host); });
  // No frame, no close box; an unload by any other way saves nothing, as it always did.
  window.signal_delete_event().connect(
      [&window](GdkEventAny*) {
        guarded([&] { window.hide(); });
        return true;
      },
      false);
}

}  // namespace

frmFav& load_favorites_window(FavoritesHost& host) {
  if (frmFav* loaded = host.favorites_window()) return *loaded;
  frmFav& window = host.create_favorites_window();
  attach_window_handlers(window, host);
  guarded([&] { Module1::MakeTopmost(window, host.services()); });
  // Until the file has been read whole, the window must not write over it.
  window.file_read = Module1::FileRead::kUnreadable;
  guarded([&] {
    window.file_read = Module1::LoadListFromFile(window.items(), host.favorites_file(), true);
  });
  guarded([&] { window.cmdGoToFav.set_sensitive(false); });
  window.changed = false;
  // A sync may write fav.Dat while the window holds the list: the window follows it.
  if (window.file_read != Module1::FileRead::kUnreadable && host.syncs_favorites()) {
    guarded([&] { follow_synced_favorites(window, host); });
  }
  return window;
}

void show_favorites(FavoritesHost& host) {
  frmFav* window = nullptr;
  guarded([&] { window = &load_favorites_window(host); });
  if (window != nullptr) guarded([&] { window->present(); });
}

void open_favorite(frmFav& window, FavoritesHost& host) {
  std::optional<std::string> entry;
  guarded([&] {
    if (const auto index = window.selected_index()) entry = window.items().item(*index);
  });
  if (!entry) return;
  Form1* first = host.first_main_window();
  // The first main window was closed while others live on: a new one, shown, takes
  // its place, rather than a hidden one that loads the page unseen.
  if (first == nullptr) guarded([&] { first = &host.open_first_main_window(); });
  if (first != nullptr) {
    guarded([&] { first->cboURL_entry().set_text(*entry); });
    guarded([&] { first->wWeb.Navigate(*entry); });
  }
  guarded([&] { window.hide(); });
}

void remove_favorite(frmFav& window) {
  guarded([&] {
    const auto index = window.selected_index();
    if (index && window.items().remove(*index)) window.changed = true;
    // As in a list box, no item is selected after a removal; the list view would
    // select the next one.
    window.List1.get_selection()->unselect_all();
  });
}

void close_favorites(frmFav& window, FavoritesHost& host) {
  // The list of a file that could not be read does not hold that file's entries.
  const bool unread = window.file_read == Module1::FileRead::kUnreadable;
  bool nothing_to_write = false;
  guarded([&] { nothing_to_write = window.items().count() == 0 && !window.changed; });
  if (!unread && !nothing_to_write) {
    guarded([&] {
      if (window.synced_lines) {
        save_synced_favorites(window, host.favorites_file());
      } else {
        Module1::SaveListToFile(window.items(), host.favorites_file());
      }
    });
  }
  guarded([&] { host.unload_favorites_window(); });
}

void save_favorites_at_end(FavoritesHost& host) {
  frmFav* window = host.favorites_window();
  if (window == nullptr || !window->changed ||
      window->file_read == Module1::FileRead::kUnreadable) {
    return;
  }
  guarded([&] {
    if (window->synced_lines) {
      save_synced_favorites(*window, host.favorites_file());
    } else if (Module1::SaveListToFile(window->items(), host.favorites_file())) {
      window->changed = false;
    }
  });
}

}  // namespace kv
