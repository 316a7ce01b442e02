#include "favorites/folder_panes.h"

#include <cstdint>
#include <vector>

#include "browser/form1.h"
#include "desktop/guarded.h"
#include "favorites/module2.h"
#include "shell/shell_folders.h"

namespace kv {

void show_folder_pane(Form1& form, ShellFolders& shell, int csidl, const char* caption) {
  ItemIdList* list = nullptr;
  std::int32_t result = kShellFail;
  guarded([&] { result = shell.SHGetSpecialFolderLocation(&form, csidl, list); });
  if (result == kShellOk && list != nullptr) {
    const std::int16_t size = Module2::ItemIdListSize(list);
    if (size != 0) {
      std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
      RtlMoveMemory(bytes, list, bytes.size());
      guarded([&] { form.WB1.Navigate2(bytes); });
      guarded([&] { form.WB1.SetVisible(true); });
      guarded([&] { form.cmdCloseFavs.set_label(caption); });
      guarded([&] { form.cmdCloseFavs.set_sensitive(true); });
      guarded([&] { form.cmdCloseFavs.show(); });
    }
  }
  // Whatever came back is ours to free, even alongside a failure code.
  if (list != nullptr) guarded([&] { shell.CoTaskMemFree(list); });
}

void close_folder_pane(Form1& form) {
  guarded([&] { form.WB1.SetVisible(false); });
  guarded([&] { form.cmdCloseFavs.set_sensitive(false); });
  guarded([&] { form.cmdCloseFavs.hide(); });
}

void attach_folder_panes(Form1& form, ShellFolders& shell) {
  form.mnuFavoritesInternetExplorerFavorites.signal_activate().connect([&form, &shell] {
    show_folder_pane(form, shell, CSIDL_FAVORITES, "Close Internet Explorer Favorites");
  });
  form.mnuToolsHistory.signal_activate().connect(
      [&form, &shell] { show_folder_pane(form, shell, CSIDL_HISTORY, "Close History Window"); });
  form.cmdCloseFavs.signal_clicked().connect([&form] { close_folder_pane(form); });
}

}  // namespace kv
