#pragma once

#include <string_view>

namespace kv {

// Whether the control loads `uri` itself into a window that a page asked for: only what
// any web page may open (http, https, an empty window). The new view's load is the
// program's, where the engine's rules on local files and the program's own schemes do
// not apply, so any other address gets no window at all.
[[nodiscard]] bool loads_into_new_window(std::string_view uri);

}  // namespace kv
