#include "app/options/internet_options_window.h"

#include <glib/gstdio.h>

#include <cerrno>

#include "desktop/control_name.h"
#include "desktop/dialog_buttons.h"
#include "desktop/internet_settings.h"
#include "desktop/user_paths.h"
#include "engine/filters/content_blocking.h"
#include "engine/filters/list_reports.h"
#include "engine/profile/web_profile.h"
#include "shell/history_store.h"

namespace kv {

std::string home_page_address(const std::string& typed) {
  const auto first = typed.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = typed.find_last_not_of(" \t\r\n");
  std::string address = typed.substr(first, last - first + 1);
  // "example.org" alone would be taken as a file name by the browser control, and
  // "localhost:8080" as a scheme; only "about:" pages name no host.
  if (address.find("://") == std::string::npos && address.rfind("about:", 0) != 0) {
    address = "http://" + address;
  }
  return address;
}

bool clear_browsing_history() {
  const std::string database = history_database_path();
  if (!g_file_test(database.c_str(), G_FILE_TEST_EXISTS)) return true;
  // Running browsers hold the database open: deleting the file would lose every visit
  // they record after this.
  if (HistoryStore(database).clear()) return true;
  // A file that is no database is of no use to anyone; it goes.
  if (!history_is_broken(database)) return false;
  bool cleared = true;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    const std::string file = database + suffix;
    if (g_remove(file.c_str()) != 0 && errno != ENOENT) cleared = false;
  }
  return cleared;
}

namespace {

// A framed section of the window: a line that says what it is about, and its one button.
void fill_section(Gtk::Frame& frame, Gtk::Box& box, Gtk::Label& text, const char* title,
                  const char* explanation, Gtk::Button& button, const char* name,
                  const char* caption) {
  frame.set_label(title);
  text.set_text(explanation);
  text.set_xalign(0.0F);
  text.set_line_wrap(true);
  text.set_max_width_chars(60);  // wraps instead of widening the window
  set_control_name(button, name);
  button.set_label(caption);
  button.set_use_underline(true);
  button.set_halign(Gtk::ALIGN_START);
  box.set_border_width(8);
  box.pack_start(text, Gtk::PACK_SHRINK);
  box.pack_start(button, Gtk::PACK_SHRINK);
  frame.add(box);
}

}  // namespace

InternetOptionsWindow::InternetOptionsWindow()
    : content_blocking(load_blocking_settings(),
                       load_list_reports(ContentBlocking::reports_path(filter_store_dir()))) {
  set_control_name(*this, "frmInternetOptions");
  set_title("Internet Options");
  set_resizable(false);
  set_position(Gtk::WIN_POS_CENTER);
  set_border_width(12);

  home_frame_.set_label("Home page");
  home_text_.set_text("The page that Home opens:");
  home_text_.set_xalign(0.0F);
  set_control_name(txtHomePage, "txtHomePage");
  txtHomePage.set_width_chars(40);
  txtHomePage.set_text(configured_home_page());
  txtHomePage.set_activates_default(true);
  set_control_name(cmdUseDefault, "cmdUseDefault");
  cmdUseDefault.set_label("Use _Default");
  cmdUseDefault.set_use_underline(true);
  home_row_.pack_start(txtHomePage, Gtk::PACK_EXPAND_WIDGET);
  home_row_.pack_start(cmdUseDefault, Gtk::PACK_SHRINK);
  home_box_.set_border_width(8);
  home_box_.pack_start(home_text_, Gtk::PACK_SHRINK);
  home_box_.pack_start(home_row_, Gtk::PACK_SHRINK);
  home_frame_.add(home_box_);

  fill_section(history_frame_, history_box_, history_text_, "Browsing history",
               "The pages you have visited are kept so that you can find them again.",
               cmdClearHistory, "cmdClearHistory", "Clear _History");
  fill_section(website_data_frame_, website_data_box_, website_data_text_,
               "Cookies and website data",
               "Web sites keep logins, settings and stored pages here between visits. Deleting "
               "them signs you out everywhere, also in the browser windows that are open.",
               cmdDeleteWebsiteData, "cmdDeleteWebsiteData", "_Delete Cookies and Website Data");

  set_control_name(lblMessage, "lblMessage");
  lblMessage.set_xalign(0.0F);

  pack_dialog_buttons(buttons_, {{&cmdOk, "cmdOk", "_OK"},
                                 {&cmdCancel, "cmdCancel", "_Cancel"},
                                 {&cmdApply, "cmdApply", "_Apply"}});
  cmdOk.set_can_default(true);

  // Pages of a few sections each, so that the window fits a laptop's screen.
  general_page_.set_border_width(8);
  general_page_.pack_start(home_frame_, Gtk::PACK_SHRINK);
  general_page_.pack_start(history_frame_, Gtk::PACK_SHRINK);
  general_page_.pack_start(website_data_frame_, Gtk::PACK_SHRINK);
  privacy_page_.set_border_width(8);
  privacy_page_.pack_start(site_permissions, Gtk::PACK_EXPAND_WIDGET);
  privacy_page_.pack_start(passwords, Gtk::PACK_EXPAND_WIDGET);
  content_page_.set_border_width(8);
  content_page_.pack_start(content_blocking, Gtk::PACK_SHRINK);
  advanced_page_.set_border_width(8);
  advanced_page_.pack_start(advanced, Gtk::PACK_SHRINK);
  set_control_name(tabSections, "tabSections");
  tabSections.append_page(general_page_, "_General", true);
  tabSections.append_page(privacy_page_, "_Privacy", true);
  tabSections.append_page(content_page_, "Co_ntent", true);
  tabSections.append_page(sync, "S_ync", true);
  tabSections.append_page(advanced_page_, "Ad_vanced", true);
  layout_.pack_start(tabSections, Gtk::PACK_EXPAND_WIDGET);
  layout_.pack_start(lblMessage, Gtk::PACK_SHRINK);
  layout_.pack_start(buttons_, Gtk::PACK_SHRINK);
  add(layout_);
  layout_.show_all();
  set_default(cmdOk);
  txtHomePage.grab_focus();

  // A browser may have kept answers since the list was read.
  signal_focus_in_event().connect([this](GdkEventFocus*) {
    site_permissions.refresh();
    passwords.refresh();
    return false;
  });
  cmdUseDefault.signal_clicked().connect([this] { txtHomePage.set_text(kDefaultHomePage); });
  cmdClearHistory.signal_clicked().connect([this] { clear_history(); });
  cmdDeleteWebsiteData.signal_clicked().connect([this] { delete_website_data(); });
  cmdApply.signal_clicked().connect([this] { apply(); });
  cmdCancel.signal_clicked().connect([this] { hide(); });
  cmdOk.signal_clicked().connect([this] {
    // Stays open when the setting could not be kept, so the user sees why.
    if (apply()) hide();
  });
}

InternetOptionsWindow::~InternetOptionsWindow() = default;

bool InternetOptionsWindow::apply() {
  const std::string address = home_page_address(txtHomePage.get_text());
  if (!save_home_page(address)) {
    lblMessage.set_text("The home page could not be saved.");
    return false;
  }
  txtHomePage.set_text(configured_home_page());
  if (!save_blocking_settings(content_blocking.settings())) {
    lblMessage.set_text("The content blocking settings could not be saved.");
    return false;
  }
  if (!passwords.apply()) {
    lblMessage.set_text("The password settings could not be saved.");
    return false;
  }
  if (!sync.apply()) {
    lblMessage.set_text("The sync settings could not be saved.");
    return false;
  }
  if (!advanced.apply()) {
    lblMessage.set_text("The hardware acceleration setting could not be saved.");
    return false;
  }
  lblMessage.set_text("");
  return true;
}

void InternetOptionsWindow::clear_history() {
  lblMessage.set_text(clear_browsing_history() ? "The browsing history has been cleared."
                                               : "The browsing history could not be cleared.");
}

void InternetOptionsWindow::delete_website_data() {
  cmdDeleteWebsiteData.set_sensitive(false);
  lblMessage.set_text("Deleting cookies and website data...");
  // The answer comes from the engine later; the window may have gone by then.
  sigc::slot<void(bool)> shown = sigc::track_obj(
      [this](bool deleted) {
        cmdDeleteWebsiteData.set_sensitive(true);
        lblMessage.set_text(deleted ? "Cookies and website data have been deleted."
                                    : "Cookies and website data could not be deleted.");
      },
      *this);
  delete_cookies_and_website_data([shown](bool deleted) mutable { shown(deleted); });
}

}  // namespace kv
