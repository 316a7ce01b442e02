#include "engine/downloads/download_window.h"

#include <glibmm/markup.h>
#include <glibmm/miscutils.h>

#include <algorithm>
#include <tuple>

#include "desktop/control_name.h"
#include "desktop/dialog_buttons.h"
#include "desktop/glib_handles.h"

namespace kv {
namespace {

std::string size_text(guint64 bytes) {
  return take_string(g_format_size(bytes));
}

}  // namespace

std::string bytes_progress_text(guint64 received, guint64 total) {
  if (total == 0) return size_text(received);
  return size_text(received) + " of " + size_text(total);
}

DownloadWindow::DownloadWindow(const std::string& file_name, const std::string& source_host)
    : file_name_(file_name) {
  set_control_name(*this, "frmDownload");
  set_title("Downloading " + file_name);
  set_default_size(420, -1);
  set_resizable(false);
  set_position(Gtk::WIN_POS_CENTER);
  set_border_width(12);

  for (auto [label, name] :
       {std::tuple{&lblFile, "lblFile"}, std::tuple{&lblSource, "lblSource"},
        std::tuple{&lblBytes, "lblBytes"}, std::tuple{&lblStatus, "lblStatus"}}) {
    set_control_name(*label, name);
    label->set_xalign(0.0F);
    label->set_line_wrap(true);
    // Names and paths without spaces break anywhere rather than widen the window.
    label->set_line_wrap_mode(Pango::WRAP_WORD_CHAR);
    // Narrower than the window, so that no text widens it.
    label->set_max_width_chars(40);
  }
  show_file_name(file_name);
  lblSource.set_text("From " + source_host);
  // The saved file's path can be copied from here.
  lblStatus.set_selectable(true);
  set_control_name(barProgress, "barProgress");
  barProgress.set_pulse_step(0.1);

  pack_dialog_buttons(buttons_, {{&cmdCancel, "cmdCancel", "_Cancel"},
                                 {&cmdOpen, "cmdOpen", "_Open"},
                                 {&cmdOpenFolder, "cmdOpenFolder", "Open _Folder"},
                                 {&cmdClose, "cmdClose", "C_lose"}});

  layout_.pack_start(lblFile, Gtk::PACK_SHRINK);
  layout_.pack_start(lblSource, Gtk::PACK_SHRINK);
  layout_.pack_start(barProgress, Gtk::PACK_SHRINK);
  layout_.pack_start(lblBytes, Gtk::PACK_SHRINK);
  layout_.pack_start(lblStatus, Gtk::PACK_SHRINK);
  layout_.pack_start(buttons_, Gtk::PACK_SHRINK);
  add(layout_);
  layout_.show_all();
  // Running: Cancel only.
  cmdOpen.hide();
  cmdOpenFolder.hide();
  cmdClose.hide();
  lblStatus.hide();
  show_progress(0, 0);
}

DownloadWindow::~DownloadWindow() = default;

void DownloadWindow::show_file_name(const std::string& name) {
  // One line whatever the name; the whole of it over the label.
  lblFile.set_line_wrap(false);
  lblFile.set_ellipsize(Pango::ELLIPSIZE_MIDDLE);
  lblFile.set_width_chars(20);
  lblFile.set_markup("<b>" + Glib::Markup::escape_text(name) + "</b>");
  lblFile.set_tooltip_text(name);
}

void DownloadWindow::show_progress(guint64 received, guint64 total) {
  if (total > 0) {
    barProgress.set_fraction(static_cast<double>(std::min(received, total)) /
                             static_cast<double>(total));
    lblBytes.set_text(bytes_progress_text(received, total));
  } else {
    barProgress.pulse();
    lblBytes.set_text(bytes_progress_text(received, 0) + " received");
  }
}

void DownloadWindow::show_done(const std::string& path, guint64 size) {
  set_title("Download complete - " + file_name_);
  barProgress.set_fraction(1.0);
  lblBytes.set_text(bytes_progress_text(size, 0));
  lblStatus.set_text("Saved as " + path);
  // Another file may have taken the chosen name meanwhile.
  show_file_name(Glib::path_get_basename(path));
  cmdOpen.show();
  cmdOpenFolder.show();
  show_ended();
  cmdOpen.grab_focus();
  lblStatus.select_region(0, 0);
}

void DownloadWindow::show_failed(const std::string& reason) {
  set_title("Download failed - " + file_name_);
  lblStatus.set_text("The download failed: " + reason);
  cmdOpen.hide();
  cmdOpenFolder.hide();
  show_ended();
  cmdClose.grab_focus();
}

void DownloadWindow::show_ended() {
  lblStatus.show();
  cmdCancel.hide();
  cmdClose.show();
}

}  // namespace kv
