#pragma once

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/checkmenuitem.h>
#include <gtkmm/comboboxtext.h>
#include <gtkmm/entry.h>
#include <gtkmm/eventbox.h>
#include <gtkmm/fixed.h>
#include <gtkmm/label.h>
#include <gtkmm/menu.h>
#include <gtkmm/menubar.h>
#include <gtkmm/menuitem.h>
#include <gtkmm/separatormenuitem.h>
#include <gtkmm/window.h>

#include <array>
#include <memory>

#include "desktop/timer.h"
#include "engine/control/web_browser.h"

namespace kv {

// The main window: an address bar and a row of buttons across the top, the page area,
// a status line, and the menu bar. This class is the view only: it creates and lays out
// the controls and menu items and exposes them by their names. Behaviour is attached
// from outside (attach_navigation and friends).
class Form1 : public Gtk::Window {
 public:
  // The window takes its two browser controls: wWeb, the page area, and WB1, the
  // folder pane. A window whose page area is private says so: its mark beside the address
  // bar and " (Private)" after every caption.
  Form1(std::unique_ptr<WebBrowser> web, std::unique_ptr<WebBrowser> folder_pane);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;
  Form1(Form1&&) = delete;
  Form1& operator=(Form1&&) = delete;
  ~Form1() override;

  // The name of the window's active control: the control that holds, or last held, the
  // keyboard focus in this window ("wWeb", "cboURL", ...); "" when there is none.
  [[nodiscard]] Glib::ustring active_control_name() const;

  // The client area below the menu bar, whose background is the window's BackColor.
  Gtk::EventBox& client_area() { return client_; }

  // The address combo's text field.
  Gtk::Entry& cboURL_entry() { return *cboURL.get_entry(); }

  // Controls.
  Gtk::Button cmdBack, cmdForward, cmdStop, cmdRefresh, cmdHome, cmdPopups, cmdSearch, cmdPrint,
      cmdMail, cmdGoogle, cmdGo, cmdCloseFavs;
  Gtk::Entry txtSearch;
  Gtk::Label lblDate, lblTimer, lblAddress, lblStatus;
  // Beside the address bar of a private window only.
  Gtk::Label lblPrivate;
  Gtk::ComboBoxText cboURL{true};
  std::unique_ptr<WebBrowser> wWeb_control;
  std::unique_ptr<WebBrowser> WB1_control;
  WebBrowser& wWeb;
  WebBrowser& WB1;
  Timer Timer1{1000};

  // Per-window pop-up flag; false from start-up on.
  bool Popup = false;

  // Menus.
  Gtk::MenuBar menu_bar;
  Gtk::MenuItem mnuFile, mnuEdit, mnuView, mnuFavorites, mnuTools, mnuHelp;
  Gtk::MenuItem mnuFileNew, mnuFileNewNewWindow, mnuFileNewPrivateWindow, mnuFileNewMessage,
      mnuFileOpen, mnuFileEdit, mnuFileEditOFF, mnuFileSave, mnuFileSaveAs, mnuFileImportExport,
      mnuFilePageSetup, mnuFilePrint, mnuFilePrintPreview, mnuProperties, mnuFileClose;
  Gtk::CheckMenuItem mnuFileWorkOffline;
  Gtk::SeparatorMenuItem mnuFileNewSeparator, mnuFileSeparator, mnuSeparator4, mnuFileSeparator2,
      mnuFileSeparator3;
  Gtk::MenuItem mnuEditUndo, mnuEditCut, mnuEditCopy, mnuEditPaste, mnuEditSelectAll,
      mnuEditSelectNone, mnuEditFind;
  Gtk::SeparatorMenuItem mnuEditSeparator0, mnuEditSeparator, mnuEditSeparator2;
  Gtk::MenuItem mnuViewGoTo, mnuViewGoToBack, mnuViewGoToForward, mnuViewGoToHome, mnuViewStop,
      mnuViewRefresh, mnuViewTextSize, mnuViewToolbars, mnuViewToolbarsSelect;
  std::array<Gtk::MenuItem, 5> mnuViewTextSizeFont;
  Gtk::SeparatorMenuItem mnuViewGoToSeparator, mnuViewSeparator, mnuViewSeparator2;
  Gtk::MenuItem mnuFavoritesAddFavorites, mnuFavoritesShowFavorites,
      mnuFavoritesInternetExplorerFavorites;
  Gtk::SeparatorMenuItem mnuFavoritesSeparator;
  Gtk::MenuItem mnuToolsMailNews, mnuToolsAddressBook, mnuToolsChangeTheme, mnuToolsHistory,
      mnuToolsInternetOption;
  Gtk::SeparatorMenuItem mnuToolsSeparator0, mnuToolsSeparator, mnuToolsSeparator2;
  Gtk::MenuItem mnuHelpWebsite, mnuSendEmail, mnuHelpAbout;
  Gtk::SeparatorMenuItem mnuHelpSeparator;

 private:
  void lay_out_controls();
  void build_menus();
  void set_tab_order();
  void name_controls_for_assistive_technology();
  void mark_private();

  Glib::RefPtr<Gtk::AccelGroup> accel_group_;
  Gtk::Box layout_{Gtk::ORIENTATION_VERTICAL};
  Gtk::EventBox client_;
  Gtk::Fixed fixed_;
  std::array<Gtk::Menu, 10> submenus_;
};

// Texts of the main window.
inline constexpr const char* kAppTitle = "Kestrivane (Beta)";
extern const char* const kOpeningCaption;
inline constexpr const char* kPrivateCaptionEnd = " (Private)";

}  // namespace kv
