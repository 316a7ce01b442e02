#include <gdk/gdkkeysyms.h>

#include <string>

#include "browser/form1.h"
#include "desktop/control_name.h"
#include "desktop/mnemonic.h"

namespace kv {
namespace {

struct Accel {
  guint key = 0;
  Gdk::ModifierType mods = Gdk::ModifierType(0);
};

constexpr Gdk::ModifierType kCtrl = Gdk::CONTROL_MASK;

}  // namespace

void Form1::build_menus() {
  set_control_name(menu_bar, "menu_bar");
  auto item = [this](Gtk::MenuItem& mi, const char* name, const char* caption, Accel accel = {}) {
    set_control_name(mi, name);
    mi.set_use_underline(true);
    mi.set_label(mnemonic_caption(caption));
    if (accel.key != 0) {
      mi.add_accelerator("activate", accel_group_, accel.key, accel.mods, Gtk::ACCEL_VISIBLE);
    }
  };
  auto separator = [](Gtk::SeparatorMenuItem& sep, const char* name) {
    set_control_name(sep, name);
  };
  auto submenu = [this](Gtk::MenuItem& parent, std::size_t index,
                        std::initializer_list<Gtk::MenuItem*> children) {
    Gtk::Menu& menu = submenus_.at(index);
    menu.set_accel_group(accel_group_);
    for (Gtk::MenuItem* child : children) menu.append(*child);
    parent.set_submenu(menu);
  };

  item(mnuFile, "mnuFile", "&File");
  item(mnuFileNew, "mnuFileNew", "New");
  item(mnuFileNewNewWindow, "mnuFileNewNewWindow", "&New Window", {GDK_KEY_n, kCtrl});
  item(mnuFileNewPrivateWindow, "mnuFileNewPrivateWindow", "New &Private Window",
       {GDK_KEY_n, kCtrl | Gdk::SHIFT_MASK});
  separator(mnuFileNewSeparator, "mnuFileNewSeparator");
  item(mnuFileNewMessage, "mnuFileNewMessage", "&Message");
  item(mnuFileOpen, "mnuFileOpen", "&Open", {GDK_KEY_o, kCtrl});
  separator(mnuFileSeparator, "mnuFileSeparator");
  item(mnuFileEdit, "mnuFileEdit", "E&dit ON");
  item(mnuFileEditOFF, "mnuFileEditOFF", "Ed&it OFF");
  separator(mnuSeparator4, "mnuSeparator4");
  item(mnuFileSave, "mnuFileSave", "&Save", {GDK_KEY_s, kCtrl});
  mnuFileSave.set_sensitive(false);
  item(mnuFileSaveAs, "mnuFileSaveAs", "S&ave As...");
  item(mnuFileImportExport, "mnuFileImportExport", "&Import and Export...");
  separator(mnuFileSeparator2, "mnuFileSeparator2");
  item(mnuFilePageSetup, "mnuFilePageSetup", "Page Set&up");
  item(mnuFilePrint, "mnuFilePrint", "&Print", {GDK_KEY_p, kCtrl});
  item(mnuFilePrintPreview, "mnuFilePrintPreview", "Print Pre&view");
  separator(mnuFileSeparator3, "mnuFileSeparator3");
  item(mnuProperties, "mnuProperties", "P&roperties");
  item(mnuFileWorkOffline, "mnuFileWorkOffline", "&Work Offline");
  item(mnuFileClose, "mnuFileClose", "&Close");
  submenu(
      mnuFileNew, 1,
      {&mnuFileNewNewWindow, &mnuFileNewPrivateWindow, &mnuFileNewSeparator, &mnuFileNewMessage});
  submenu(mnuFile, 0,
          {&mnuFileNew, &mnuFileOpen, &mnuFileSeparator, &mnuFileEdit, &mnuFileEditOFF,
           &mnuSeparator4, &mnuFileSave, &mnuFileSaveAs, &mnuFileImportExport, &mnuFileSeparator2,
           &mnuFilePageSetup, &mnuFilePrint, &mnuFilePrintPreview, &mnuFileSeparator3,
           &mnuProperties, &mnuFileWorkOffline, &mnuFileClose});

  item(mnuEdit, "mnuEdit", "&Edit");
  item(mnuEditUndo, "mnuEditUndo", "&Undo");
  separator(mnuEditSeparator0, "mnuEditSeparator0");
  item(mnuEditCut, "mnuEditCut", "Cu&t", {GDK_KEY_x, kCtrl});
  item(mnuEditCopy, "mnuEditCopy", "&Copy", {GDK_KEY_c, kCtrl});
  item(mnuEditPaste, "mnuEditPaste", "&Paste", {GDK_KEY_v, kCtrl});
  separator(mnuEditSeparator, "mnuEditSeparator");
  item(mnuEditSelectAll, "mnuEditSelectAll", "Select &All", {GDK_KEY_a, kCtrl});
  item(mnuEditSelectNone, "mnuEditSelectNone", "Select None");
  separator(mnuEditSeparator2, "mnuEditSeparator2");
  item(mnuEditFind, "mnuEditFind", "&Find (on this page)");
  submenu(
      mnuEdit, 2,
      {&mnuEditUndo, &mnuEditSeparator0, &mnuEditCut, &mnuEditCopy, &mnuEditPaste,
       &mnuEditSeparator, &mnuEditSelectAll, &mnuEditSelectNone, &mnuEditSeparator2, &mnuEditFind});

  item(mnuView, "mnuView", "&View");
  item(mnuViewGoTo, "mnuViewGoTo", "G&o To");
  item(mnuViewGoToBack, "mnuViewGoToBack", "&Back");
  item(mnuViewGoToForward, "mnuViewGoToForward", "&Forward");
  separator(mnuViewGoToSeparator, "mnuViewGoToSeparator");
  item(mnuViewGoToHome, "mnuViewGoToHome", "&HomePage");
  separator(mnuViewSeparator, "mnuViewSeparator");
  item(mnuViewStop, "mnuViewStop", "Sto&p");
  item(mnuViewRefresh, "mnuViewRefresh", "&Refresh", {GDK_KEY_F5});
  item(mnuViewTextSize, "mnuViewTextSize", "Te&xt Size");
  static constexpr std::array<const char*, 5> kTextSizes{"Lar&gest", "&Larger", "&Medium",
                                                         "&Smaller", "Sm&allest"};
  for (std::size_t i = 0; i < kTextSizes.size(); ++i) {
    // A control array: one name, told apart by index.
    const std::string name = "mnuViewTextSizeFont(" + std::to_string(i) + ")";
    item(mnuViewTextSizeFont.at(i), name.c_str(), kTextSizes.at(i));
  }
  separator(mnuViewSeparator2, "mnuViewSeparator2");
  item(mnuViewToolbars, "mnuViewToolbars", "&Toolbars");
  item(mnuViewToolbarsSelect, "mnuViewToolbarsSelect", "&Select");
  submenu(mnuViewGoTo, 4,
          {&mnuViewGoToBack, &mnuViewGoToForward, &mnuViewGoToSeparator, &mnuViewGoToHome});
  submenu(mnuViewTextSize, 5,
          {&mnuViewTextSizeFont[0], &mnuViewTextSizeFont[1], &mnuViewTextSizeFont[2],
           &mnuViewTextSizeFont[3], &mnuViewTextSizeFont[4]});
  submenu(mnuViewToolbars, 6, {&mnuViewToolbarsSelect});
  submenu(mnuView, 3,
          {&mnuViewGoTo, &mnuViewSeparator, &mnuViewStop, &mnuViewRefresh, &mnuViewTextSize,
           &mnuViewSeparator2, &mnuViewToolbars});

  item(mnuFavorites, "mnuFavorites", "F&avorites");
  item(mnuFavoritesAddFavorites, "mnuFavoritesAddFavorites", "&Add to Favorites");
  item(mnuFavoritesShowFavorites, "mnuFavoritesShowFavorites", "&Show Favorites");
  item(mnuFavoritesInternetExplorerFavorites, "mnuFavoritesInternetExplorerFavorites",
       "Internet &Explorer Favorites");
  separator(mnuFavoritesSeparator, "mnuFavoritesSeparator");
  submenu(mnuFavorites, 7,
          {&mnuFavoritesAddFavorites, &mnuFavoritesShowFavorites,
           &mnuFavoritesInternetExplorerFavorites, &mnuFavoritesSeparator});

  item(mnuTools, "mnuTools", "&Tools");
  item(mnuToolsMailNews, "mnuToolsMailNews", "&Mail & News");
  item(mnuToolsAddressBook, "mnuToolsAddressBook", "&Address Book");
  separator(mnuToolsSeparator0, "mnuToolsSeparator0");
  item(mnuToolsChangeTheme, "mnuToolsChangeTheme", "&Change Kestrivane Color");
  separator(mnuToolsSeparator, "mnuToolsSeparator");
  item(mnuToolsHistory, "mnuToolsHistory", "Show &History");
  separator(mnuToolsSeparator2, "mnuToolsSeparator2");
  item(mnuToolsInternetOption, "mnuToolsInternetOption", "Internet &Options");
  submenu(mnuTools, 8,
          {&mnuToolsMailNews, &mnuToolsAddressBook, &mnuToolsSeparator0, &mnuToolsChangeTheme,
           &mnuToolsSeparator, &mnuToolsHistory, &mnuToolsSeparator2, &mnuToolsInternetOption});

  item(mnuHelp, "mnuHelp", "&Help");
  item(mnuHelpWebsite, "mnuHelpWebsite", "Visit &Website");
  item(mnuSendEmail, "mnuSendEmail", "Send &Email to programmer");
  separator(mnuHelpSeparator, "mnuHelpSeparator");
  item(mnuHelpAbout, "mnuHelpAbout", "&About Kestrivane");
  submenu(mnuHelp, 9, {&mnuHelpWebsite, &mnuSendEmail, &mnuHelpSeparator, &mnuHelpAbout});

  for (Gtk::MenuItem* top : {&mnuFile, &mnuEdit, &mnuView, &mnuFavorites, &mnuTools, &mnuHelp}) {
    menu_bar.append(*top);
  }
}

}  // namespace kv
