#include "browser/page_events.h"

#include <string>
#include <string_view>

#include "browser/form1.h"
#include "desktop/guarded.h"

namespace kv {
namespace {

// Where the host of `address` ends, in characters: whose site it is shows there.
int host_end(const Glib::ustring& address) {
  const std::string& raw = address.raw();
  const auto scheme_end = raw.find("://");
  if (scheme_end == std::string::npos) return 0;
  const auto authority = scheme_end + 3;
  const auto authority_end = raw.find_first_of("/?#", authority);
  const std::string_view within = std::string_view(raw).substr(
      authority,
      authority_end == std::string::npos ? std::string::npos : authority_end - authority);
  const auto user_end = within.rfind('@');
  const auto host_start = user_end == std::string_view::npos ? 0 : user_end + 1;
  // A port follows the host, unless the host is an IPv6 address in brackets.
  const auto closing = within.find(']', host_start);
  const auto port = within.find(':', closing == std::string_view::npos ? host_start : closing);
  const auto end = authority + (port == std::string_view::npos ? within.size() : port);
  return static_cast<int>(g_utf8_pointer_to_offset(raw.c_str(), raw.c_str() + end));
}

// Shows `address` in the box as far as its host's end: a host too long for the box is
// cut at its start, never at its end.
void show_address(Gtk::Entry& box, const Glib::ustring& address) {
  box.set_text(address);
  // The box scrolls to show its cursor; a click or a focus key puts it elsewhere.
  box.set_position(host_end(address));
}

}  // namespace

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
    guarded([&] { show_address(form.cboURL_entry(), web.LocationURL()); });
    guarded([&] { form.set_title(web.LocationName()); });
  });
}

}  // namespace kv
