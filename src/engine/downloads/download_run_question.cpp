#include "engine/downloads/download_run_question.h"

#include <gio/gio.h>
#include <glibmm/main.h>
#include <gtkmm/messagedialog.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <utility>

#include "desktop/deliberate_press.h"
#include "desktop/glib_handles.h"
#include "desktop/guarded.h"

namespace kv {
namespace {

// Types that run programs when the desktop opens them: executables and libraries,
// launchers, scripts, installers and programs for other systems.
constexpr std::array kProgramTypes = {
    "application/x-executable",
    "application/x-pie-executable",
    "application/x-sharedlib",
    "application/x-elf",
    "application/x-desktop",
    "application/x-shellscript",
    "application/x-csh",
    "application/x-perl",
    "text/x-python",
    "text/x-python3",
    "application/x-ruby",
    "application/x-php",
    "text/x-tcl",
    "application/x-ms-dos-executable",
    "application/x-msdownload",
    "application/x-msi",
    "application/x-ms-shortcut",
    "application/x-bat",
    "application/java-archive",
    "application/x-java-archive",
    "application/x-appimage",
    "application/vnd.appimage",
    "application/x-deb",
    "application/vnd.debian.binary-package",
    "application/x-rpm",
    "application/x-flatpak",
    "application/vnd.flatpak.ref",
    "application/x-executable-script",
};

bool runs_programs(const char* type) {
  for (const char* program : kProgramTypes) {
    if (g_content_type_is_a(type, program) != FALSE) return true;
  }
  return false;
}

std::string described(const char* type) {
  OwnedChars words(g_content_type_get_description(type));
  return words ? std::string(words.get()) : std::string(type);
}

}  // namespace

std::optional<std::string> program_file_type(const std::string& path) {
  constexpr std::size_t kSniffed = 4096;
  std::string head(kSniffed, '\0');
  std::ifstream in(path, std::ios::binary);
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  // A script announces its interpreter on its first line, whatever its name.
  if (head.starts_with("#!")) return std::string("script");
  OwnedChars base(g_path_get_basename(path.c_str()));
  gboolean uncertain = FALSE;
  // By name alone and by content alone, so that neither can hide the other.
  OwnedChars by_name(g_content_type_guess(base.get(), nullptr, 0, &uncertain));
  OwnedChars by_content(g_content_type_guess(nullptr, reinterpret_cast<const guchar*>(head.data()),
                                             head.size(), &uncertain));
  if (by_content && runs_programs(by_content.get())) return described(by_content.get());
  if (by_name && runs_programs(by_name.get())) return described(by_name.get());
  return std::nullopt;
}

void run_download_run_question(const RunQuestion& question, std::function<void(bool)> answer) {
  OwnedChars name(g_path_get_basename(question.path.c_str()));
  auto* dialog = new Gtk::MessageDialog("Open \"" + std::string(name.get()) + "\"?", false,
                                        Gtk::MESSAGE_WARNING, Gtk::BUTTONS_NONE, true);
  if (question.parent != nullptr) {
    gtk_window_set_transient_for(GTK_WINDOW(dialog->gobj()), question.parent);
  }
  dialog->set_title("Open File");
  dialog->set_secondary_text(question.path + "\n\nType: " + question.type +
                             "\n\nOpening a file of this type can run a program on this "
                             "computer. Open it only if you trust where it came from.");
  dialog->add_button("_Cancel", Gtk::RESPONSE_CANCEL);
  // The question can come up under a click meant for the page.
  guard_button(*dialog->add_button("_Open", Gtk::RESPONSE_ACCEPT));
  dialog->set_default_response(Gtk::RESPONSE_CANCEL);
  dialog->signal_response().connect([dialog, answer = std::move(answer)](int response) mutable {
    if (!answer) return;  // answered already
    dialog->hide();
    Glib::signal_idle().connect_once([dialog] { delete dialog; });
    guarded([&] { std::exchange(answer, {})(response == Gtk::RESPONSE_ACCEPT); });
  });
  dialog->present();
}

}  // namespace kv
