#include "browser/form1.h"

#include <atk/atk.h>
#include <gtkmm/image.h>

#include <utility>

#include "desktop/control_name.h"
#include "desktop/widget_style.h"
#include "desktop/win_units.h"

namespace kv {

const char* const kOpeningCaption = "Kestrivane™ (Beta) - Written by Pellimar in 2004.";

namespace {

constexpr std::uint32_t kBlue = 0x00FF0000;
constexpr std::uint32_t kDarkBlue = 0x00C00000;
constexpr std::uint32_t kRed = 0x000000FF;
constexpr std::uint32_t kGreen = 0x0000C000;
constexpr std::uint32_t kYellow = 0x0000FFFF;
constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr std::uint32_t kPurple = 0x00800080;

// The client area is 15240 x 10425 twips, the client area of a window that fills a
// 1024 x 768 screen.
constexpr int kClientWidthTwips = 15240;
constexpr int kClientHeightTwips = 10425;

struct Place {
  int left, top, width, height;  // twips
};

void place(Gtk::Fixed& fixed, Gtk::Widget& widget, Place p) {
  widget.set_size_request(twips(p.width), twips(p.height));
  fixed.put(widget, twips(p.left), twips(p.top));
}

// A graphical button: its picture above its caption, on its own background colour.
void graphical_button(Gtk::Button& button, const char* name, const char* caption,
                      const char* icon_name, int icon_px, std::uint32_t back) {
  set_control_name(button, name);
  button.get_style_context()->add_class("graphical");
  if (caption != nullptr) button.set_label(caption);
  if (icon_name != nullptr) {
    auto* image = Gtk::make_managed<Gtk::Image>();
    image->set_from_icon_name(icon_name, Gtk::ICON_SIZE_LARGE_TOOLBAR);
    image->set_pixel_size(icon_px);
    button.set_image(*image);
    button.set_image_position(Gtk::POS_TOP);
    button.set_always_show_image(true);
  }
  button.set_focus_on_click(true);
  set_back_color(button, back);
  set_font(button, "MS Sans Serif", 8.25);
}

}  // namespace

Form1::Form1(std::unique_ptr<WebBrowser> web, std::unique_ptr<WebBrowser> folder_pane)
    : wWeb_control(std::move(web)),
      WB1_control(std::move(folder_pane)),
      wWeb(*wWeb_control),
      WB1(*WB1_control),
      accel_group_(Gtk::AccelGroup::create()) {
  set_control_name(*this, "Form1");
  set_title(kOpeningCaption);
  set_icon_name("kestrivane");
  set_position(Gtk::WIN_POS_CENTER);
  set_resizable(true);

  client_.set_visible_window(true);
  client_.set_size_request(twips(kClientWidthTwips), twips(kClientHeightTwips));
  client_.add(fixed_);
  set_back_color(client_, kDarkBlue);

  build_menus();
  lay_out_controls();
  if (wWeb.IsPrivate()) mark_private();
  set_tab_order();

  layout_.pack_start(menu_bar, Gtk::PACK_SHRINK);
  layout_.pack_start(client_, Gtk::PACK_EXPAND_WIDGET);
  add(layout_);
  add_accel_group(accel_group_);
  layout_.show_all();

  // Hidden until a folder pane is opened.
  cmdCloseFavs.hide();
  WB1.SetVisible(false);

  set_default(cmdGo);
  // The first control in tab order that can take the focus has it when the window opens.
  signal_show().connect([this] { cmdGo.grab_focus(); });
}

Form1::~Form1() = default;

void Form1::lay_out_controls() {
  graphical_button(cmdBack, "cmdBack", "Back", "go-previous", 23, kBlue);
  cmdBack.set_tooltip_text("Back");
  cmdBack.set_sensitive(false);
  place(fixed_, cmdBack, {360, 120, 735, 615});

  graphical_button(cmdForward, "cmdForward", "Forward", "go-next", 23, kBlue);
  cmdForward.set_tooltip_text("Forward");
  cmdForward.set_sensitive(false);
  place(fixed_, cmdForward, {1200, 120, 735, 615});

  graphical_button(cmdStop, "cmdStop", "Stop", "process-stop", 19, kBlue);
  cmdStop.set_tooltip_text("Stop");
  place(fixed_, cmdStop, {2040, 120, 735, 615});

  graphical_button(cmdRefresh, "cmdRefresh", "Refresh", "view-refresh", 19, kBlue);
  cmdRefresh.set_tooltip_text("Refresh");
  place(fixed_, cmdRefresh, {2880, 120, 735, 615});

  graphical_button(cmdHome, "cmdHome", "Home", "go-home", 23, kBlue);
  cmdHome.set_tooltip_text("Home");
  place(fixed_, cmdHome, {3720, 120, 735, 615});

  graphical_button(cmdPopups, "cmdPopups", "Pop-ups Disabled", nullptr, 0, kBlue);
  cmdPopups.set_tooltip_text("Enable/Diable Pop-Ups");
  set_font(cmdPopups, "Times New Roman", 8.25);
  if (auto* label = dynamic_cast<Gtk::Label*>(cmdPopups.get_child())) {
    label->set_line_wrap(true);
    label->set_justify(Gtk::JUSTIFY_CENTER);
  }
  place(fixed_, cmdPopups, {4560, 120, 735, 615});

  graphical_button(cmdSearch, "cmdSearch", "Search", "system-search", 23, kBlue);
  place(fixed_, cmdSearch, {5400, 120, 735, 615});

  graphical_button(cmdPrint, "cmdPrint", "Print", "document-print", 23, kBlue);
  place(fixed_, cmdPrint, {6240, 120, 735, 615});

  graphical_button(cmdMail, "cmdMail", "Mail", "mail-send", 20, kBlue);
  place(fixed_, cmdMail, {7080, 120, 735, 615});

  set_control_name(txtSearch, "txtSearch");
  set_font(txtSearch, "Times New Roman", 12);
  txtSearch.set_activates_default(true);
  txtSearch.set_width_chars(1);  // its place sets its width, not its text
  place(fixed_, txtSearch, {11520, 120, 2295, 405});

  graphical_button(cmdGoogle, "cmdGoogle", "Google Search", "edit-find", 17, kBlue);
  set_font(cmdGoogle, "Times New Roman", 8.25);
  place(fixed_, cmdGoogle, {13920, 120, 1095, 615});

  for (auto [label, name, text, left, width] :
       {std::tuple{&lblDate, "lblDate", "Date", 11520, 1095},
        std::tuple{&lblTimer, "lblTimer", "Time", 12720, 975}}) {
    set_control_name(*label, name);
    label->set_text(text);
    label->set_justify(Gtk::JUSTIFY_CENTER);
    label->set_xalign(0.5F);
    set_fore_color(*label, kGreen);
    set_back_color(*label, kBlue);
    set_font(*label, "Times New Roman", 8.25);
    place(fixed_, *label, {left, 600, width, 255});
  }

  set_control_name(lblAddress, "lblAddress");
  lblAddress.set_text("Address:");
  lblAddress.set_xalign(0.5F);
  lblAddress.get_style_context()->add_class("single-border");
  set_font(lblAddress, "MS Sans Serif", 12);
  place(fixed_, lblAddress, {360, 840, 1215, 375});

  set_control_name(cboURL, "cboURL");
  set_control_name(cboURL_entry(), "cboURL");
  set_font(cboURL, "Times New Roman", 11.25);
  cboURL_entry().set_activates_default(true);
  cboURL_entry().set_width_chars(1);
  place(fixed_, cboURL, {1680, 840, 12615, 375});

  graphical_button(cmdGo, "cmdGo", nullptr, "go-jump", 18, kDarkBlue);
  cmdGo.set_tooltip_text("Go!");
  cmdGo.set_can_default(true);
  place(fixed_, cmdGo, {14400, 840, 615, 375});

  set_control_name(wWeb.widget(), "wWeb");
  place(fixed_, wWeb.widget(), {360, 1320, 14655, 8655});

  graphical_button(cmdCloseFavs, "cmdCloseFavs", "Close IE Favorites", nullptr, 0, kRed);
  cmdCloseFavs.set_sensitive(false);
  cmdCloseFavs.set_no_show_all(true);
  place(fixed_, cmdCloseFavs, {360, 1320, 3975, 495});

  set_control_name(WB1.widget(), "WB1");
  WB1.widget().set_no_show_all(true);
  place(fixed_, WB1.widget(), {360, 1800, 3975, 8175});

  set_control_name(lblStatus, "lblStatus");
  lblStatus.set_text("Done");
  lblStatus.set_xalign(0.0F);
  lblStatus.set_ellipsize(Pango::ELLIPSIZE_END);
  set_fore_color(lblStatus, kYellow);
  set_back_color(lblStatus, kBlue);
  set_font(lblStatus, "MS Sans Serif", 8.25);
  place(fixed_, lblStatus, {360, 9960, 14655, 255});

  name_controls_for_assistive_technology();
}

void Form1::mark_private() {
  // The address bar gives up the mark's room, so the Go button stays where it always is.
  cboURL.set_size_request(twips(11415), twips(375));
  set_control_name(lblPrivate, "lblPrivate");
  lblPrivate.set_text("Private");
  lblPrivate.set_xalign(0.5F);
  set_fore_color(lblPrivate, kWhite);
  set_back_color(lblPrivate, kPurple);
  set_font(lblPrivate, "MS Sans Serif", 10, true);
  const char* const meaning =
      "Private window: no history, cookies or site data are kept once it closes";
  lblPrivate.set_tooltip_text(meaning);
  set_accessible_name(lblPrivate, "Private window");
  if (AtkObject* accessible = gtk_widget_get_accessible(GTK_WIDGET(lblPrivate.gobj()))) {
    atk_object_set_description(accessible, meaning);
  }
  place(fixed_, lblPrivate, {13200, 840, 1095, 375});
  // Whatever sets the caption, the window says what it is at its end.
  property_title().signal_changed().connect([this] {
    const std::string caption = get_title().raw();
    if (!caption.ends_with(kPrivateCaptionEnd)) set_title(caption + kPrivateCaptionEnd);
  });
  set_title(get_title() + kPrivateCaptionEnd);
}

void Form1::name_controls_for_assistive_technology() {
  // A button with a caption is read out by it (and follows it as it changes); one with
  // a picture only would be read out by the picture's icon, so its tooltip names it.
  for (Gtk::Button* button : {&cmdBack, &cmdForward, &cmdStop, &cmdRefresh, &cmdHome, &cmdPopups,
                              &cmdSearch, &cmdPrint, &cmdMail, &cmdGoogle, &cmdGo, &cmdCloseFavs}) {
    if (button->get_label().empty()) set_accessible_name(*button, button->get_tooltip_text());
  }
  // The text fields have no caption: the address box is named by the label before it,
  // and the search box by the button that searches for its text.
  Glib::ustring address = lblAddress.get_text();
  if (!address.empty() && address[address.size() - 1] == ':') address.resize(address.size() - 1);
  set_accessible_name(cboURL, address);
  set_accessible_name(cboURL_entry(), address);
  set_accessible_name(txtSearch, cmdGoogle.get_label());
}

void Form1::set_tab_order() {
  // Labels take no focus, so they are left out of the chain.
  std::vector<Gtk::Widget*> chain{&cmdBack,   &cmdGo,      &cmdHome,      &wWeb.widget(),
                                  &cboURL,    &cmdRefresh, &cmdStop,      &cmdForward,
                                  &cmdPopups, &cmdSearch,  &cmdPrint,     &cmdMail,
                                  &txtSearch, &cmdGoogle,  &WB1.widget(), &cmdCloseFavs};
  fixed_.set_focus_chain(chain);
}

Glib::ustring Form1::active_control_name() const {
  return control_name_of(get_focus());
}

}  // namespace kv
