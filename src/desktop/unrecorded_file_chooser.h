#pragma once

#include <gtk/gtk.h>
#include <gtkmm/dialog.h>
#include <gtkmm/filechooserwidget.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kv {

// What the user chose: the files to open, or the one to save to with whether they agreed
// to replace the file there. No files on Cancel.
struct ChosenFiles {
  std::vector<std::string> paths;
  bool replace = false;
};

// A file chooser dialog that leaves no trace in the desktop's recently used files, for
// private windows. GTK's own dialog has its chooser add the file it answers with to
// recently-used.xbel, and GTK 3 has no setting for one dialog (its settings are the whole
// program's); the chooser widget itself adds nothing as long as no dialog of GTK's asks
// it whether to answer. So this dialog holds the widget and answers by itself: a folder
// picked is stepped into, and a save asks before it replaces a file.
class UnrecordedFileChooser : public Gtk::Dialog {
 public:
  UnrecordedFileChooser(const Glib::ustring& title, Gtk::FileChooserAction action);

  // Runs once, when the user has chosen or cancelled; the dialog is hidden by then.
  void on_answer(std::function<void(const ChosenFiles&)> answer) { answer_ = std::move(answer); }

  Gtk::FileChooserWidget chooser;

 private:
  void accept();
  void confirm_replace(const std::string& path);
  void answer(const ChosenFiles& chosen);

  Gtk::FileChooserAction action_;
  std::function<void(const ChosenFiles&)> answer_;
  std::unique_ptr<Gtk::Dialog> replace_question_;
};

// Shows an UnrecordedFileChooser over `parent` (nullptr for none) after `prepare` has set
// its folder, name, filters or selection; `answer` runs once, and the dialog is deleted
// after it.
void choose_files_unrecorded(GtkWindow* parent, const Glib::ustring& title,
                             Gtk::FileChooserAction action,
                             const std::function<void(Gtk::FileChooser&)>& prepare,
                             std::function<void(const ChosenFiles&)> answer);

}  // namespace kv
