#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/downloads/save_question.h"

namespace kv {

// The save dialog for a download: opens in the question's folder with its file name,
// asks before it replaces a file, and answers once when closed. GTK's own, which adds
// the file to the desktop's recently used files, unless the question leaves no trace.
void run_download_save_dialog(const SaveQuestion& question,
                              std::function<void(std::optional<SaveAnswer>)> answer);

}  // namespace kv
