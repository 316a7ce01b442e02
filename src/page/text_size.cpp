#include "page/text_size.h"

#include "browser/form1.h"
#include "desktop/desktop_services.h"
#include "desktop/guarded.h"

namespace kv {

std::int32_t text_size_level(std::size_t index) {
  constexpr std::int32_t kLargest = 4;
  return kLargest - static_cast<std::int32_t>(index);
}

void attach_text_size(Form1& form, DesktopServices& services) {
  for (std::size_t index = 0; index < form.mnuViewTextSizeFont.size(); ++index) {
    form.mnuViewTextSizeFont.at(index).signal_activate().connect([&form, &services, index] {
      guarded([&] {
        form.wWeb.ExecWB(olecmd::kZoom, olecmd::kDontPromptUser, text_size_level(index));
      });
      guarded([&] { services.DoEvents(); });
    });
  }
}

}  // namespace kv
