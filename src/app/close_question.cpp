#include "app/close_question.h"

#include <algorithm>

#include "browser/form1.h"
#include "desktop/desktop_services.h"
#include "engine/downloads/downloads.h"

namespace kv {

bool last_open_window(const std::vector<std::unique_ptr<Form1>>& windows, const Form1& form) {
  return std::none_of(windows.begin(), windows.end(), [&form](const auto& window) {
    return window.get() != &form && window->get_visible();
  });
}

bool may_end_with_downloads(DesktopServices& services, Gtk::Window& parent) {
  return may_end_with_downloads(services, parent, downloads_in_progress());
}

bool may_end_with_downloads(DesktopServices& services, Gtk::Window& parent, std::size_t running) {
  if (running == 0) return true;
  const int answer = services.MsgBox(
      &parent, kDownloadsRunningQuestion,
      msgbox::kOkCancel | msgbox::kQuestion | msgbox::kDefaultButton2, "Kestrivane");
  return answer == msgbox::kAnswerOk;
}

}  // namespace kv
