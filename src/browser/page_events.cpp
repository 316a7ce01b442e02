#include "browser/page_events.h"

#include <string>

#include "browser/form1.h"
#include "desktop/guarded.h"

namespace kv {

Glib::ustring caption_for_title(const Glib::ustring& title) {
  const std::string& raw = title.raw();
  const auto first = raw.find_first_not_of(' ');
  const std::string trimmed = first == std::string::npos
                                  ? std::string()
                                  : raw.substr(first, raw.find_last_not_of(' ') - first + 1);
  return trimmed + " - " + kAppTitle;
}

void attach_page_events(Form1& form) {
  WebBrowser& web = form.wWeb;
  Gtk::Label& status = form.lblStatus;

  web.StatusTextChange.connect(
      [&status](const Glib::ustring& text) { guarded([&] { status.set_text(text); }); });
  web.ProgressChange.connect([&status](std::int32_t progress, std::int32_t maximum) {
    guarded([&] {
      status.set_text("Reading " + std::to_string(progress) + "  of  " + std::to_string(maximum));
    });
  });
  web.DownloadBegin.connect([&status] { guarded([&] { status.set_text("Starting Download"); }); });
  web.DownloadComplete.connect([&status] { guarded([&] { status.set_text("Download Done!"); }); });
  web.TitleChange.connect([&form](const Glib::ustring& title) {
    guarded([&] { form.set_title(caption_for_title(title)); });
  });
  // The event's own address may be a frame's: the window always shows the top page.
  web.NavigateComplete2.connect([&form, &web](const Glib::ustring&) {
    guarded([&] { form.lblStatus.set_text("Done Loading!"); });
    guarded([&] { form.set_title(web.LocationName()); });
  });
  web.DocumentComplete.connect([&form, &web](const Glib::ustring&) {
    guarded([&] { form.lblStatus.set_text("Done"); });
    guarded([&] { form.cboURL_entry().set_text(web.LocationURL()); });
    guarded([&] { form.set_title(web.LocationName()); });
  });
}

}  // namespace kv
