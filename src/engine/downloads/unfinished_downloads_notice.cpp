#include "engine/downloads/unfinished_downloads_notice.h"

#include <glibmm/main.h>
#include <glibmm/miscutils.h>
#include <gtkmm/messagedialog.h>

#include "desktop/control_name.h"
#include "desktop/guarded.h"
#include "engine/downloads/downloads.h"

namespace kv {
namespace {

constexpr int kOpenFolder = 1;

std::string listed(const std::vector<UnfinishedDownload>& left) {
  std::string text = left.size() == 1 ? "What it received is kept in this file:\n"
                                      : "What they received is kept in these files:\n";
  for (const auto& download : left) {
    text +=
        "\n" + Glib::path_get_basename(download.chosen_path) + ":\n" + download.partial_path + "\n";
  }
  return text;
}

}  // namespace

void show_unfinished_downloads_notice(Gtk::Window& parent,
                                      const std::vector<UnfinishedDownload>& left) {
  if (left.empty()) return;
  const std::string headline =
      left.size() == 1
          ? "A download did not finish when Kestrivane last closed."
          : std::to_string(left.size()) + " downloads did not finish when Kestrivane last closed.";
  auto* dialog =
      new Gtk::MessageDialog(parent, headline, false, Gtk::MESSAGE_INFO, Gtk::BUTTONS_NONE, false);
  set_control_name(*dialog, "frmUnfinishedDownloads");
  dialog->set_title("Downloads");
  dialog->set_secondary_text(listed(left));
  dialog->add_button("Open _Folder", kOpenFolder);
  dialog->add_button("_OK", Gtk::RESPONSE_OK);
  dialog->set_default_response(Gtk::RESPONSE_OK);
  const std::string folder = Glib::path_get_dirname(left.front().partial_path);
  dialog->signal_response().connect([dialog, folder](int response) {
    if (response == kOpenFolder) guarded([&] { open_download_location(folder); });
    dialog->hide();
    Glib::signal_idle().connect_once([dialog] { delete dialog; });
  });
  dialog->show();
}

}  // namespace kv
