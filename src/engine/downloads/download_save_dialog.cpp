#include "engine/downloads/download_save_dialog.h"

#include <glibmm/main.h>
#include <gtkmm/filechooserdialog.h>

#include <memory>
#include <utility>

#include "desktop/guarded.h"
#include "desktop/unrecorded_file_chooser.h"

namespace kv {
namespace {

void run_unrecorded(const SaveQuestion& question,
                    std::function<void(std::optional<SaveAnswer>)> answer) {
  choose_files_unrecorded(
      question.parent, "Save File", Gtk::FILE_CHOOSER_ACTION_SAVE,
      [&question](Gtk::FileChooser& chooser) {
        chooser.set_current_folder(question.folder);
        chooser.set_current_name(question.file_name);
      },
      [answer = std::move(answer)](const ChosenFiles& chosen) {
        if (chosen.paths.empty()) {
          answer(std::nullopt);
        } else {
          answer(SaveAnswer{chosen.paths.front(), chosen.replace});
        }
      });
}

}  // namespace

void run_download_save_dialog(const SaveQuestion& question,
                              std::function<void(std::optional<SaveAnswer>)> answer) {
  if (question.leaves_no_trace) {
    run_unrecorded(question, std::move(answer));
    return;
  }
  // Not run modally in a loop of its own: the engine waits for the answer, and the
  // other windows, downloads and pages go on meanwhile.
  auto* dialog = new Gtk::FileChooserDialog("Save File", Gtk::FILE_CHOOSER_ACTION_SAVE);
  if (question.parent != nullptr) {
    gtk_window_set_transient_for(GTK_WINDOW(dialog->gobj()), question.parent);
  }
  dialog->set_modal(true);
  dialog->add_button("_Cancel", Gtk::RESPONSE_CANCEL);
  dialog->add_button("_Save", Gtk::RESPONSE_ACCEPT);
  dialog->set_default_response(Gtk::RESPONSE_ACCEPT);
  dialog->set_do_overwrite_confirmation(true);
  dialog->set_current_folder(question.folder);
  dialog->set_current_name(question.file_name);
  // The file the user was asked to replace: only that one may be replaced, not one that
  // appears at the chosen name after the dialog looked.
  auto asked = std::make_shared<std::string>();
  dialog->signal_confirm_overwrite().connect([dialog, asked] {
    *asked = dialog->get_filename();
    return Gtk::FILE_CHOOSER_CONFIRMATION_CONFIRM;
  });
  dialog->signal_response().connect(
      [dialog, asked, answer = std::move(answer)](int response) mutable {
        if (!answer) return;  // answered already
        std::optional<SaveAnswer> chosen;
        if (response == Gtk::RESPONSE_ACCEPT) {
          std::string path = dialog->get_filename();
          if (!path.empty()) chosen = SaveAnswer{path, path == *asked};
        }
        dialog->hide();
        // Deleted once this handler has returned.
        Glib::signal_idle().connect_once([dialog] { delete dialog; });
        guarded([&] { std::exchange(answer, {})(chosen); });
      });
  dialog->present();
}

}  // namespace kv
