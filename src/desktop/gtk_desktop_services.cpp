#include "desktop/gtk_desktop_services.h"

#include <gtkmm/clipboard.h>
#include <gtkmm/colorchooserdialog.h>
#include <gtkmm/dialog.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/main.h>
#include <gtkmm/messagedialog.h>

#include <algorithm>
#include <cmath>

#include "desktop/win_units.h"

namespace kv {
namespace {

constexpr int kIconMask = 0x70;
constexpr int kCritical = 16;
constexpr int kQuestion = msgbox::kQuestion;
constexpr int kButtonsMask = 0x0F;
constexpr int kExclamation = 48;

Gtk::MessageType message_type(int style) {
  switch (style & kIconMask) {
    case kCritical:
      return Gtk::MESSAGE_ERROR;
    case kQuestion:
      return Gtk::MESSAGE_QUESTION;
    case kExclamation:
      return Gtk::MESSAGE_WARNING;
    case msgbox::kInformation:
      return Gtk::MESSAGE_INFO;
    default:
      return Gtk::MESSAGE_OTHER;
  }
}

std::uint8_t channel(double value) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

}  // namespace

int GtkDesktopServices::MsgBox(Gtk::Window* parent, const Glib::ustring& prompt, int style,
                               const Glib::ustring& title) {
  const bool ok_cancel = (style & kButtonsMask) == msgbox::kOkCancel;
  Gtk::MessageDialog dialog(prompt, false, message_type(style),
                            ok_cancel ? Gtk::BUTTONS_NONE : Gtk::BUTTONS_OK, true);
  if (ok_cancel) {
    dialog.add_button("_OK", Gtk::RESPONSE_OK);
    dialog.add_button("_Cancel", Gtk::RESPONSE_CANCEL);
    dialog.set_default_response((style & msgbox::kDefaultButton2) != 0 ? Gtk::RESPONSE_CANCEL
                                                                       : Gtk::RESPONSE_OK);
  }
  if (parent != nullptr) dialog.set_transient_for(*parent);
  dialog.set_title(title);
  const int response = dialog.run();
  if (ok_cancel && response != Gtk::RESPONSE_OK) return msgbox::kAnswerCancel;
  return msgbox::kAnswerOk;
}

Glib::ustring GtkDesktopServices::InputBox(Gtk::Window* parent, const Glib::ustring& prompt,
                                           const Glib::ustring& title,
                                           const Glib::ustring& default_text) {
  Gtk::Dialog dialog(title, true);
  if (parent != nullptr) dialog.set_transient_for(*parent);
  dialog.add_button("_Cancel", Gtk::RESPONSE_CANCEL);
  dialog.add_button("_OK", Gtk::RESPONSE_OK);
  dialog.set_default_response(Gtk::RESPONSE_OK);
  Gtk::Label label(prompt);
  label.set_xalign(0.0F);
  label.set_line_wrap(true);
  Gtk::Entry entry;
  entry.set_text(default_text);
  entry.set_activates_default(true);
  auto* area = dialog.get_content_area();
  area->set_spacing(8);
  area->set_border_width(12);
  area->pack_start(label, Gtk::PACK_SHRINK);
  area->pack_start(entry, Gtk::PACK_SHRINK);
  dialog.set_default_size(360, -1);
  dialog.show_all();
  entry.grab_focus();
  if (dialog.run() != Gtk::RESPONSE_OK) return {};
  return entry.get_text();
}

std::optional<std::uint32_t> GtkDesktopServices::ShowColor(Gtk::Window* parent) {
  Gtk::ColorChooserDialog dialog;
  if (parent != nullptr) dialog.set_transient_for(*parent);
  dialog.set_modal(true);
  if (dialog.run() != Gtk::RESPONSE_OK) return std::nullopt;
  const Gdk::RGBA rgba = dialog.get_rgba();
  return from_rgb(channel(rgba.get_red()), channel(rgba.get_green()), channel(rgba.get_blue()));
}

std::optional<Glib::ustring> GtkDesktopServices::clipboard_text() {
  auto clipboard = Gtk::Clipboard::get();
  if (!clipboard->wait_is_text_available()) return std::nullopt;
  return clipboard->wait_for_text();
}

Glib::DateTime GtkDesktopServices::now_local() {
  return Glib::DateTime::create_now_local();
}

void GtkDesktopServices::MakeTopmost(Gtk::Window& window) {
  window.set_keep_above(true);
}

void GtkDesktopServices::DoEvents() {
  while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
}

}  // namespace kv
