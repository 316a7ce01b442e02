#include "app/options/internet_options_window.h"

#include <glib/gstdio.h>

#include <cerrno>
#include <tuple>

#include "desktop/control_name.h"
#include "desktop/internet_settings.h"
#include "desktop/user_paths.h"
#include "engine/web_profile.h"

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
  bool cleared = true;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    const std::string file = database + suffix;
    if (g_remove(file.c_str()) != 0 && errno != ENOENT) cleared = false;
  }
  return cleared;
}

InternetOptionsWindow::InternetOptionsWindow() {
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

  history_frame_.set_label("Browsing history");
  history_text_.set_text("The pages you have visited are kept so that you can find them again.");
  history_text_.set_xalign(0.0F);
  history_text_.set_line_wrap(true);
  set_control_name(cmdClearHistory, "cmdClearHistory");
  cmdClearHistory.set_label("Clear _History");
  cmdClearHistory.set_use_underline(true);
  cmdClearHistory.set_halign(Gtk::ALIGN_START);
  history_box_.set_border_width(8);
  history_box_.pack_start(history_text_, Gtk::PACK_SHRINK);
  history_box_.pack_start(cmdClearHistory, Gtk::PACK_SHRINK);
  history_frame_.add(history_box_);

  website_data_frame_.set_label("Cookies and website data");
  website_data_text_.set_text(
      "Web sites keep logins, settings and stored pages here between visits. Deleting "
      "them signs you out everywhere, also in the browser windows that are open.");
  website_data_text_.set_xalign(0.0F);
  website_data_text_.set_line_wrap(true);
  set_control_name(cmdDeleteWebsiteData, "cmdDeleteWebsiteData");
  cmdDeleteWebsiteData.set_label("_Delete Cookies and Website Data");
  cmdDeleteWebsiteData.set_use_underline(true);
  cmdDeleteWebsiteData.set_halign(Gtk::ALIGN_START);
  website_data_box_.set_border_width(8);
  website_data_box_.pack_start(website_data_text_, Gtk::PACK_SHRINK);
  website_data_box_.pack_start(cmdDeleteWebsiteData, Gtk::PACK_SHRINK);
  website_data_frame_.add(website_data_box_);

  set_control_name(lblMessage, "lblMessage");
  lblMessage.set_xalign(0.0F);

  for (auto [button, name, caption] :
       {std::tuple{&cmdOk, "cmdOk", "_OK"}, std::tuple{&cmdCancel, "cmdCancel", "_Cancel"},
        std::tuple{&cmdApply, "cmdApply", "_Apply"}}) {
    set_control_name(*button, name);
    button->set_label(caption);
    button->set_use_underline(true);
    buttons_.pack_start(*button);
  }
  buttons_.set_layout(Gtk::BUTTONBOX_END);
  buttons_.set_spacing(6);
  cmdOk.set_can_default(true);

  layout_.pack_start(home_frame_, Gtk::PACK_SHRINK);
  layout_.pack_start(history_frame_, Gtk::PACK_SHRINK);
  layout_.pack_start(website_data_frame_, Gtk::PACK_SHRINK);
  layout_.pack_start(lblMessage, Gtk::PACK_SHRINK);
  layout_.pack_start(buttons_, Gtk::PACK_SHRINK);
  add(layout_);
  layout_.show_all();
  set_default(cmdOk);

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
