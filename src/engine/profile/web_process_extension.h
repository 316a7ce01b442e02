#pragma once

#include <webkit2/webkit2.h>

#include <string>

namespace kv {

// The program's extension in the web processes of `context` (engine/web_process/): it
// marks each dialog that a page's script asks for with the frame that asked. Before the
// context's first web process. Where the extension is missing, says so once; the dialogs
// then bear no mark.
void load_web_process_extension(WebKitWebContext* context);

// The secret of this run under which the extension marks dialogs; no page can read it.
const std::string& dialog_mark_secret();

// The folder the extension is loaded from: the build tree's for a program run from its
// build tree, otherwise the one installed beside the program's bin folder. "" when
// neither holds it.
std::string web_process_extension_dir();

}  // namespace kv
