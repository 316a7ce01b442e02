#pragma once

#include <webkit2/webkit2.h>

#include <array>
#include <cstdint>
#include <optional>

#include "engine/control/web_browser.h"

namespace kv {

// Zoom factor of each text-size level, 0 the smallest text to 4 the largest; level 2 is
// the page's own size.
inline constexpr std::array<double, 5> kTextZoomFactors{0.6, 0.8, 1.0, 1.25, 1.6};

// Carries out an ExecWB command on the view, with the control's own dialogs. A command
// the view cannot carry out (no page, an unknown command, a zoom level out of range)
// does nothing and shows nothing.
void exec_page_command(WebKitWebView* view, std::int32_t cmd, std::int32_t opt,
                       std::optional<ExecArg> in, std::optional<ExecArg> out) noexcept;

}  // namespace kv
