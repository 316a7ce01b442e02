#include "about/about_box.h"

#include <gtkmm/icontheme.h>

#include "about/about_texts.h"
#include "about/dialog_layout.h"
#include "desktop/control_name.h"
#include "desktop/mnemonic.h"
#include "desktop/product_art.h"
#include "desktop/widget_style.h"
#include "desktop/win_units.h"

namespace kv {
namespace {

constexpr std::uint32_t kBlue = 0x00FF0000;
constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr const char* kWindowFont = "Times New Roman";
constexpr double kWindowFontPoints = 12;

}  // namespace

frmTesters::frmTesters() {
  set_control_name(*this, "frmTesters");
  set_title(about_text::kCaption);
  dialog_window(*this, fixed_, 4725, 6030);

  set_control_name(cmdOk, "cmdOk");
  cmdOk.set_label(mnemonic_caption("&Ok"));
  cmdOk.set_use_underline(true);
  set_font(cmdOk, kWindowFont, kWindowFontPoints);
  place_twips(fixed_, cmdOk, 360, 5400, 1215, 495);

  set_control_name(Text1, "Text1");
  set_control_name(text1_scroll_, "Text1");
  Text1.get_buffer()->set_text(about_text::kDisclaimer);
  Text1.set_wrap_mode(Gtk::WRAP_WORD);
  Text1.set_tooltip_text(about_text::kDisclaimerTip);
  set_font(Text1, kWindowFont, kWindowFontPoints);
  text1_scroll_.set_policy(Gtk::POLICY_NEVER, Gtk::POLICY_ALWAYS);
  text1_scroll_.set_shadow_type(Gtk::SHADOW_IN);
  text1_scroll_.set_overlay_scrolling(false);
  text1_scroll_.add(Text1);
  place_twips(fixed_, text1_scroll_, 360, 3480, 3975, 1335);
  // The text view puts its own text cursor back whenever its state changes.
  Text1.signal_realize().connect([this] { use_icon_cursor(); }, true);
  Text1.signal_state_flags_changed().connect([this](Gtk::StateFlags) { use_icon_cursor(); }, true);

  set_control_name(Command1, "Command1");
  Command1.set_label("Click Here To View Testers.");
  Command1.set_tooltip_text("Click Here To View Testers");
  set_font(Command1, kWindowFont, 8.25);
  wrap_caption(Command1, 1215);
  place_twips(fixed_, Command1, 3120, 5400, 1215, 495);

  set_control_name(cmdEmail, "cmdEmail");
  cmdEmail.set_label(mnemonic_caption("&Email"));
  cmdEmail.set_use_underline(true);
  set_font(cmdEmail, kWindowFont, 11.25);
  place_twips(fixed_, cmdEmail, 1800, 5400, 1215, 495);

  set_control_name(Image1, "Image1");
  if (auto logo = product_logo(twips(3960), twips(3240))) Image1.set(logo);
  place_twips(fixed_, Image1, 360, 120, 3960, 3240);

  // The maker's line between the disclaimer and the buttons; white to read on blue.
  set_control_name(Label2, "Label2");
  Label2.set_text(about_text::kCopyrightLine);
  Label2.set_xalign(0.5F);
  set_font(Label2, kWindowFont, kWindowFontPoints);
  set_fore_color(Label2, kWhite);
  place_twips(fixed_, Label2, 360, 4920, 3975, 375);

  // Labels and pictures take no focus, so Ok is first and has it when the box opens.
  fixed_.set_focus_chain({&cmdOk, &text1_scroll_, &Command1, &cmdEmail});
  cmdOk.set_can_default(true);
  set_default(cmdOk);
  fixed_.show_all();
  set_focus(cmdOk);

  // What the box does when it loads.
  set_back_color(*this, kBlue);
}

frmTesters::~frmTesters() {
  // Let go of the controls before they go, so that the window never points at them.
  unset_default();
  unset_focus();
}

Glib::ustring frmTesters::text() const {
  return Text1.get_buffer()->get_text(true);
}

void frmTesters::use_icon_cursor() {
  auto window = Text1.get_window(Gtk::TEXT_WINDOW_TEXT);
  if (!window) return;
  auto theme = Gtk::IconTheme::get_default();
  if (!theme || !theme->has_icon(kProductIconName)) return;
  try {
    auto picture = theme->load_icon(kProductIconName, 32, Gtk::ICON_LOOKUP_FORCE_SIZE);
    window->set_cursor(Gdk::Cursor::create(get_display(), picture, 2, 2));
  } catch (const Glib::Error&) {
    // The text cursor stays: the box is still usable.
  }
}

}  // namespace kv
