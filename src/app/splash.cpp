#include "app/splash.h"

#include <gdk/gdkkeysyms.h>

#include <algorithm>

#include "app/version.h"
#include "desktop/control_name.h"
#include "desktop/product_art.h"
#include "desktop/widget_style.h"
#include "desktop/win_units.h"

namespace kv {
namespace {

constexpr std::uint32_t kDarkBlue = 0x00C00000;
constexpr std::uint32_t kGreen = 0x0000FF00;
constexpr std::uint32_t kLightGrey = 0x00E0E0E0;

void place(Gtk::Fixed& fixed, Gtk::Widget& widget, int left, int top) {
  fixed.put(widget, twips(left), twips(top));
}

// A label that sizes itself to its text: only its left and top edges are fixed.
void label(Gtk::Fixed& frame, Gtk::Label& label, const char* name, const char* text, double points,
           bool bold, int left, int top) {
  set_control_name(label, name);
  label.set_text(text);
  set_font(label, "Arial", points, bold);
  set_back_color(label, kDarkBlue);
  place(frame, label, left, top);
}

// A right-aligned label that sizes itself to its text keeps its right edge, so that a
// longer text grows to the left instead of running off the frame. Its size is known
// for certain only once its font has been applied, so it is placed again whenever it
// gets a new size.
void keep_right_edge(Gtk::Fixed& frame, Gtk::Label& label, int right, int top) {
  const int right_px = twips(right);
  const int top_px = twips(top);
  auto place_by_width = [&frame, &label, right_px, top_px](int width) {
    const int left = std::max(0, right_px - width);
    if (frame.child_property_x(label).get_value() != left) frame.move(label, left, top_px);
  };
  int minimum = 0;
  int natural = 0;
  label.get_preferred_width(minimum, natural);
  place_by_width(natural);
  label.signal_size_allocate().connect(
      [place_by_width](Gtk::Allocation& allocation) { place_by_width(allocation.get_width()); });
}

}  // namespace

std::string version_caption(int major, int minor, int revision) {
  return "Version " + std::to_string(major) + "." + std::to_string(minor) + "." +
         std::to_string(revision);
}

bool produces_character(guint keyval, guint state) {
  // Alt with a key is a menu or system key, not typing.
  if ((state & GDK_MOD1_MASK) != 0U) return false;
  switch (keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
    case GDK_KEY_Escape:
    case GDK_KEY_BackSpace:
    case GDK_KEY_Tab:
    case GDK_KEY_KP_Tab:
      return true;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete:
      return false;
    default:
      return gdk_keyval_to_unicode(keyval) != 0;
  }
}

frmSplash::frmSplash(std::function<void()> open_main_window, std::function<void()> end_program,
                     unsigned interval_ms)
    : Timer1(interval_ms, true),
      open_main_window_(std::move(open_main_window)),
      end_program_(std::move(end_program)) {
  set_control_name(*this, "frmSplash");
  set_decorated(false);
  set_resizable(false);
  set_skip_taskbar_hint(true);
  set_skip_pager_hint(true);
  set_position(Gtk::WIN_POS_CENTER);
  client_.set_size_request(twips(7380), twips(4245));
  add(client_);

  set_control_name(Frame1, "Frame1");
  Frame1.set_visible_window(true);
  Frame1.set_size_request(twips(7080), twips(4050));
  set_back_color(Frame1, kDarkBlue);
  Frame1.add(frame_contents_);
  place(client_, Frame1, 150, 60);

  set_control_name(imgLogo, "imgLogo");
  if (auto logo = product_logo(twips(1815), twips(1905))) imgLogo.set(logo);
  imgLogo.set_size_request(twips(1815), twips(1905));
  place(frame_contents_, imgLogo, 240, 1275);

  label(frame_contents_, lblCompanyProduct, "lblCompanyProduct", "Palvenna. inc.", 18, true, 3120,
        960);
  label(frame_contents_, lblName, "lblName", "Kestrivane™", 32.25, true, 2400, 1440);
  label(frame_contents_, lblPlatform, "lblPlatform", "(Beta Release)", 15.75, true, 4665, 2340);
  lblPlatform.set_justify(Gtk::JUSTIFY_RIGHT);
  label(frame_contents_, lblVersion, "lblVersion", "V. 1.0.0", 12, true, 6045, 2700);
  lblVersion.set_justify(Gtk::JUSTIFY_RIGHT);
  set_fore_color(lblVersion, kGreen);
  label(frame_contents_, lblCompany, "lblCompany", "Palvenna inc.", 8.25, false, 5280, 3240);
  label(frame_contents_, lblCopyright, "lblCopyright", "Copyright © 2004 Palvenna inc.", 8.25,
        false, 240, 240);
  label(frame_contents_, lblWarning, "lblWarning",
        "Warning: this program is protected by copyright law and international treaties. "
        "© 2004 Palvenna inc.",
        8.25, false, 240, 3600);
  // The two notices are small print: light, so that they can be read on the dark panel.
  set_fore_color(lblCopyright, kLightGrey);
  set_fore_color(lblWarning, kLightGrey);
  lblWarning.set_wrap_width(twips(6600));

  client_.show_all();

  // Every key reaches the window first: nothing on it takes the focus.
  add_events(Gdk::KEY_PRESS_MASK);
  signal_key_press_event().connect(sigc::mem_fun(*this, &frmSplash::Form_KeyPress), false);
  Frame1.add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK);
  Frame1.signal_button_release_event().connect(sigc::mem_fun(*this, &frmSplash::Frame1_Click),
                                               false);
  Timer1.signal_tick.connect(sigc::mem_fun(*this, &frmSplash::Timer1_Timer));
  // Without a title bar there is no close box; a close the window system asks for
  // anyway (Alt+F4) unloads the window as a key would.
  signal_delete_event().connect(
      [this](GdkEventAny*) {
        if (!unloaded_) {
          unload();
          end_program_();
        }
        return true;
      },
      false);

  Form_Load();
  // Measured once shown and loaded: a hidden label has no size, and loading changes
  // the version's text.
  keep_right_edge(frame_contents_, lblPlatform, 4665 + 2190, 2340);
  keep_right_edge(frame_contents_, lblVersion, 6045 + 810, 2700);
}

frmSplash::~frmSplash() = default;

void frmSplash::Form_Load() {
  lblVersion.set_text(version_caption(version::kMajor, version::kMinor, version::kRevision));
  lblName.set_text("Kestrivane™");
}

void frmSplash::unload() {
  unloaded_ = true;
  Timer1.set_enabled(false);
  hide();
}

void frmSplash::Timer1_Timer() {
  if (unloaded_) return;
  unload();
  open_main_window_();
}

bool frmSplash::over_contents(double x, double y) {
  for (Gtk::Widget* child : frame_contents_.get_children()) {
    int cx = 0;
    int cy = 0;
    if (!Frame1.translate_coordinates(*child, static_cast<int>(x), static_cast<int>(y), cx, cy)) {
      continue;
    }
    const auto size = child->get_allocation();
    if (cx >= 0 && cy >= 0 && cx < size.get_width() && cy < size.get_height()) return true;
  }
  return false;
}

bool frmSplash::Frame1_Click(GdkEventButton* event) {
  // A click is the left button; the labels and the logo keep theirs to themselves.
  if (unloaded_ || event->button != 1 || over_contents(event->x, event->y)) return false;
  Timer1.set_enabled(false);
  unload();
  open_main_window_();
  return true;
}

bool frmSplash::Form_KeyPress(GdkEventKey* event) {
  if (unloaded_ || !produces_character(event->keyval, event->state)) return false;
  unload();
  // No other window is open: the program ends.
  end_program_();
  return true;
}

}  // namespace kv
