#include "theme/color_theme.h"

#include <array>

#include "browser/form1.h"
#include "desktop/desktop_services.h"
#include "desktop/guarded.h"
#include "desktop/widget_style.h"

namespace kv {
namespace {

void change_theme(Form1& form, DesktopServices& services) {
  std::optional<std::uint32_t> chosen;
  guarded([&] { chosen = services.ShowColor(&form); });
  // Cancel keeps every colour as it was.
  if (!chosen) return;
  const std::uint32_t color = *chosen;
  guarded([&] { set_back_color(form.client_area(), color); });
  // Text colours, the address label, the pane's close button, the text boxes and the
  // browser controls keep theirs.
  const std::array<Gtk::Widget*, 14> controls{
      &form.cmdBack, &form.cmdForward, &form.cmdGo,     &form.cmdStop,  &form.cmdRefresh,
      &form.cmdHome, &form.cmdPopups,  &form.cmdSearch, &form.cmdPrint, &form.cmdMail,
      &form.lblDate, &form.lblTimer,   &form.lblStatus, &form.cmdGoogle};
  for (Gtk::Widget* control : controls) {
    guarded([&] { set_back_color(*control, color); });
  }
}

}  // namespace

void attach_color_theme(Form1& form, DesktopServices& services) {
  form.mnuToolsChangeTheme.signal_activate().connect(
      [&form, &services] { change_theme(form, services); });
}

}  // namespace kv
