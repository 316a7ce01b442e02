#include "page/edit_mode.h"

#include "browser/form1.h"
#include "desktop/guarded.h"

namespace kv {

void attach_edit_mode(Form1& form) {
  form.mnuFileEdit.signal_activate().connect(
      [&form] { guarded([&] { form.wWeb.SetDesignMode("On"); }); });
  form.mnuFileEditOFF.signal_activate().connect(
      [&form] { guarded([&] { form.wWeb.SetDesignMode("Off"); }); });
}

}  // namespace kv
