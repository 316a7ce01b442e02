#pragma once

#include <glib.h>
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/buttonbox.h>
#include <gtkmm/label.h>
#include <gtkmm/progressbar.h>
#include <gtkmm/window.h>

#include <string>

namespace kv {

// The small window of one download: the file's name, the host it comes from, and its
// progress with a Cancel button; once ended, where the file is with Open and Open
// Folder, or why it failed. It only shows: the download's owner connects the buttons.
class DownloadWindow : public Gtk::Window {
 public:
  DownloadWindow(const std::string& file_name, const std::string& source_host);
  DownloadWindow(const DownloadWindow&) = delete;
  DownloadWindow& operator=(const DownloadWindow&) = delete;
  DownloadWindow(DownloadWindow&&) = delete;
  DownloadWindow& operator=(DownloadWindow&&) = delete;
  ~DownloadWindow() override;

  // `total` 0: the size is not known, and the bar pulses.
  void show_progress(guint64 received, guint64 total);
  void show_done(const std::string& path, guint64 size);
  void show_failed(const std::string& reason);

  Gtk::Label lblFile, lblSource, lblBytes, lblStatus;
  Gtk::ProgressBar barProgress;
  Gtk::Button cmdCancel, cmdOpen, cmdOpenFolder, cmdClose;

 private:
  void show_ended();
  void show_file_name(const std::string& name);

  Gtk::Box layout_{Gtk::ORIENTATION_VERTICAL, 6};
  Gtk::ButtonBox buttons_;
  std::string file_name_;
};

// "12.5 MB of 50.0 MB", or "12.5 MB" alone when the total is not known (0).
std::string bytes_progress_text(guint64 received, guint64 total);

}  // namespace kv
