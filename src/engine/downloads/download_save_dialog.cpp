#include "engine/downloads/download_save_dialog.h"

#include <glibmm/main.h>
#include <gtkmm/filechooserdialog.h>

#include <memory>
#include <utility>

#include "desktop/guarded.h"

namespace kv {

void run_download_save_dialog(const SaveQuestion& question,
                              std::function<void(std::optional<std::string>)> answer) {
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
  dialog->signal_response().connect([dialog, answer = std::move(answer)](int response) mutable {
    if (!answer) return;  // answered already
    std::optional<std::string> chosen;
    if (response == Gtk::RESPONSE_ACCEPT) {
      std::string path = dialog->get_filename();
      if (!path.empty()) chosen = std::move(path);
    }
    dialog->hide();
    // Deleted once this handler has returned.
    Glib::signal_idle().connect_once([dialog] { delete dialog; });
    guarded([&] { std::exchange(answer, {})(chosen); });
  });
  dialog->present();
}

}  // namespace kv
