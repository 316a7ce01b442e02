#include "browser/clock.h"

#include "browser/form1.h"
#include "desktop/desktop_services.h"
#include "desktop/guarded.h"

namespace kv {

void attach_clock(Form1& form, DesktopServices& services) {
  form.Timer1.signal_tick.connect([&form, &services] {
    // Read separately, time first: a tick across midnight may pair the old day's last
    // second with the new date until the next tick.
    guarded([&] { form.lblTimer.set_text(services.now_local().format("%X")); });
    guarded([&] { form.lblDate.set_text(services.now_local().format("%x")); });
  });
}

}  // namespace kv
