#pragma once

#include <webkit2/webkit2.h>

namespace kv {

// A page's request for files (an <input type=file>) in a private window is answered with
// a chooser of the program's own, which adds nothing to the desktop's recently used
// files; the engine's own chooser would add the files picked there.
void choose_page_files_unrecorded(WebKitWebView* view);

}  // namespace kv
