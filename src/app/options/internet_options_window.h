#pragma once

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/buttonbox.h>
#include <gtkmm/entry.h>
#include <gtkmm/frame.h>
#include <gtkmm/label.h>
#include <gtkmm/notebook.h>
#include <gtkmm/window.h>

#include <string>

#include "app/options/advanced_section.h"
#include "app/options/content_blocking_section.h"
#include "app/options/passwords_section.h"
#include "app/options/site_permissions_section.h"
#include "app/options/sync_section.h"

namespace kv {

// The Internet Options program's window: the home page that the browser's Home opens,
// a button that clears the browsing history, one that deletes cookies and website
// data, content blocking, the sites' kept permissions, favourites sync, and how pages are
// drawn.
class InternetOptionsWindow : public Gtk::Window {
 public:
  InternetOptionsWindow();
  InternetOptionsWindow(const InternetOptionsWindow&) = delete;
  InternetOptionsWindow& operator=(const InternetOptionsWindow&) = delete;
  InternetOptionsWindow(InternetOptionsWindow&&) = delete;
  InternetOptionsWindow& operator=(InternetOptionsWindow&&) = delete;
  ~InternetOptionsWindow() override;

  Gtk::Entry txtHomePage;
  Gtk::Button cmdUseDefault, cmdClearHistory, cmdDeleteWebsiteData, cmdOk, cmdCancel, cmdApply;
  Gtk::Label lblMessage;
  // "General": home page, history, website data; "Privacy": site permissions, passwords;
  // "Content": content blocking; "Sync": favourites sync; "Advanced": hardware acceleration.
  Gtk::Notebook tabSections;
  ContentBlockingSection content_blocking;
  SitePermissionsSection site_permissions;
  PasswordsSection passwords;
  SyncSection sync;
  AdvancedSection advanced;

 private:
  bool apply();
  void clear_history();
  void delete_website_data();

  Gtk::Box layout_{Gtk::ORIENTATION_VERTICAL, 12};
  Gtk::Box general_page_{Gtk::ORIENTATION_VERTICAL, 12},
      privacy_page_{Gtk::ORIENTATION_VERTICAL, 12}, content_page_{Gtk::ORIENTATION_VERTICAL, 12},
      advanced_page_{Gtk::ORIENTATION_VERTICAL, 12};
  Gtk::Frame home_frame_, history_frame_, website_data_frame_;
  Gtk::Box home_box_{Gtk::ORIENTATION_VERTICAL, 6}, home_row_{Gtk::ORIENTATION_HORIZONTAL, 6};
  Gtk::Box history_box_{Gtk::ORIENTATION_VERTICAL, 6};
  Gtk::Box website_data_box_{Gtk::ORIENTATION_VERTICAL, 6};
  Gtk::Label home_text_, history_text_, website_data_text_;
  Gtk::ButtonBox buttons_;
};

// The address as the home page is kept: blanks trimmed, "http://" put in front of an
// address that names no scheme; "" stays "" (the built-in home page).
std::string home_page_address(const std::string& typed);

// Empties the browsing history in place, so that browsers running now go on recording
// into it; a file that is no database is deleted with its journal files. false when the
// history could not be emptied (a browser held it too long) or deleted.
bool clear_browsing_history();

}  // namespace kv
