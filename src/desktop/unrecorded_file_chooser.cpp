#include "desktop/unrecorded_file_chooser.h"

#include <glib.h>
#include <glibmm/convert.h>
#include <glibmm/main.h>
#include <glibmm/miscutils.h>
#include <gtkmm/messagedialog.h>

#include <memory>
#include <utility>

#include "desktop/guarded.h"

namespace kv {
namespace {

bool is_folder(const std::string& path) {
  return g_file_test(path.c_str(), G_FILE_TEST_IS_DIR) != FALSE;
}

}  // namespace

UnrecordedFileChooser::UnrecordedFileChooser(const Glib::ustring& title,
                                             Gtk::FileChooserAction action)
    : Gtk::Dialog(title), chooser(action), action_(action) {
  add_button("_Cancel", Gtk::RESPONSE_CANCEL);
  add_button(action == Gtk::FILE_CHOOSER_ACTION_SAVE ? "_Save" : "_Open", Gtk::RESPONSE_ACCEPT);
  set_default_response(Gtk::RESPONSE_ACCEPT);
  // As large as GTK's own file dialog.
  set_default_size(800, 600);
  chooser.set_border_width(5);
  get_content_area()->pack_start(chooser, true, true);
  chooser.show();
  chooser.signal_file_activated().connect([this] { guarded([this] { accept(); }); });
  signal_response().connect([this](int response) {
    guarded([&] {
      if (response == Gtk::RESPONSE_ACCEPT) {
        accept();
      } else {
        answer({});
      }
    });
  });
}

void UnrecordedFileChooser::accept() {
  if (replace_question_) return;  // asked already
  if (action_ == Gtk::FILE_CHOOSER_ACTION_SAVE) {
    const std::string path = chooser.get_filename();
    if (path.empty()) return;
    if (is_folder(path)) {
      chooser.set_current_folder(path);
    } else if (g_file_test(path.c_str(), G_FILE_TEST_EXISTS) != FALSE) {
      confirm_replace(path);
    } else {
      answer({{path}, false});
    }
    return;
  }
  std::vector<std::string> paths = chooser.get_filenames();
  if (paths.size() == 1 && is_folder(paths.front())) {
    chooser.set_current_folder(paths.front());
    return;
  }
  std::erase_if(paths, [](const std::string& path) {
    return g_file_test(path.c_str(), G_FILE_TEST_EXISTS) == FALSE;
  });
  if (!paths.empty()) answer({std::move(paths), false});
}

void UnrecordedFileChooser::confirm_replace(const std::string& path) {
  // Worded as GTK's own dialog asks.
  auto question = std::make_unique<Gtk::MessageDialog>(
      *this,
      "A file named \u201C" + Glib::filename_display_basename(path) +
          "\u201D already exists.  Do you want to replace it?",
      false, Gtk::MESSAGE_QUESTION, Gtk::BUTTONS_NONE, true);
  question->set_secondary_text("The file already exists in \u201C" +
                               Glib::filename_display_basename(Glib::path_get_dirname(path)) +
                               "\u201D.  Replacing it will overwrite its contents.");
  question->add_button("_Cancel", Gtk::RESPONSE_CANCEL);
  question->add_button("_Replace", Gtk::RESPONSE_ACCEPT);
  question->set_default_response(Gtk::RESPONSE_ACCEPT);
  question->signal_response().connect([this, path](int response) {
    guarded([&] {
      replace_question_->hide();
      // Deleted once this handler has returned.
      Glib::signal_idle().connect_once(
          [gone = std::shared_ptr<Gtk::Dialog>(std::move(replace_question_))] {});
      if (response == Gtk::RESPONSE_ACCEPT) answer({{path}, true});
    });
  });
  replace_question_ = std::move(question);
  replace_question_->present();
}

void UnrecordedFileChooser::answer(const ChosenFiles& chosen) {
  if (!answer_) return;  // answered already
  hide();
  const auto told = std::exchange(answer_, {});
  guarded([&] { told(chosen); });
}

void choose_files_unrecorded(GtkWindow* parent, const Glib::ustring& title,
                             Gtk::FileChooserAction action,
                             const std::function<void(Gtk::FileChooser&)>& prepare,
                             std::function<void(const ChosenFiles&)> answer) {
  // Not run modally in a loop of its own: the windows, downloads and pages go on
  // meanwhile.
  auto* dialog = new UnrecordedFileChooser(title, action);
  if (parent != nullptr) gtk_window_set_transient_for(GTK_WINDOW(dialog->gobj()), parent);
  dialog->set_modal(true);
  guarded([&] { prepare(dialog->chooser); });
  dialog->on_answer([dialog, answer = std::move(answer)](const ChosenFiles& chosen) {
    Glib::signal_idle().connect_once([dialog] { delete dialog; });
    answer(chosen);
  });
  dialog->present();
}

}  // namespace kv
