#include "browser/work_offline.h"

#include "browser/form1.h"
#include "desktop/desktop_services.h"
#include "desktop/guarded.h"

namespace kv {

void warn_if_working_offline(Form1& form, DesktopServices& services) {
  if (!form.mnuFileWorkOffline.get_active()) return;
  guarded([&] {
    services.MsgBox(&form, "WorkOffline Option is Enabled, Please Disable to continue",
                    msgbox::kOkOnly | msgbox::kInformation, "WorkOffline");
  });
}

}  // namespace kv
