#pragma once

#include <cstddef>
#include <cstdint>

namespace kv {

class DesktopServices;
class Form1;

// The zoom level that View > Text Size's item `index` sends: the items run from
// "Largest" down to "Smallest", the control's levels from 0, the smallest text, up to 4.
std::int32_t text_size_level(std::size_t index);

// View > Text Size's five items: the page's text size through the control, then pending
// events run once.
void attach_text_size(Form1& form, DesktopServices& services);

}  // namespace kv
