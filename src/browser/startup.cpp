#include "browser/startup.h"

#include "browser/addresses.h"
#include "browser/form1.h"
#include "desktop/guarded.h"
#include "desktop/widget_style.h"

namespace kv {

void run_startup(Form1& form, const Glib::ustring& address) {
  guarded([&] { set_back_color(form.client_area(), 0x00FF0000); });
  guarded([&] { form.Popup = false; });
  // Opened directly, not through Go: not prefixed, not listed, Back stays disabled.
  if (!address.empty()) guarded([&] { form.wWeb.Navigate(address); });
  guarded([&] { form.mnuFileWorkOffline.set_active(false); });
}

}  // namespace kv
