#include "browser/window_commands.h"

#include "browser/form1.h"
#include "browser/program_host.h"
#include "desktop/guarded.h"

namespace kv {

void attach_window_commands(Form1& form, ProgramHost& host) {
  form.mnuFileNewNewWindow.signal_activate().connect([&host] {
    // Nothing passes from this window: the new one starts afresh.
    guarded([&] { host.load_main_window(nullptr).show(); });
  });
  form.mnuFileNewPrivateWindow.signal_activate().connect(
      [&host] { guarded([&] { host.load_private_window().show(); }); });
  form.mnuFileClose.signal_activate().connect([&form, &host] {
    if (!host.may_end_program(form)) return;
    guarded([&] { form.hide(); });
    host.end_program();
  });
}

}  // namespace kv
