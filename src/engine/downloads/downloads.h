#pragma once

#include <webkit2/webkit2.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/downloads/download_run_question.h"
#include "engine/downloads/save_question.h"

namespace kv {

class DownloadWindow;

// Answers with the chosen file, or nothing on Cancel; it may answer later.
using SaveChooser =
    std::function<void(const SaveQuestion&, std::function<void(std::optional<SaveAnswer>)>)>;
// Opens a file:// URI with the desktop's default handler; false when nothing could.
using UriOpener = std::function<bool(const std::string& uri)>;

// Asks whether to open a file that can run programs; answers true to open, maybe later.
using RunConfirmer = std::function<void(const RunQuestion&, std::function<void(bool)>)>;

// Downloads ask with the GTK save dialog and open files with the desktop's default
// handlers, unless these are replaced (tests answer and record instead).
void use_download_desktop(SaveChooser chooser, UriOpener opener,
                          RunConfirmer confirm_run = &run_download_run_question);

// Handles every download of `context`: asks where to save it (in the download folder,
// under the suggested name), receives it into a partial file there while a window shows
// its progress, and renames it when complete. The page that started it stays as it was.
// A private context's downloads are never named in the record of unfinished downloads.
void watch_downloads(WebKitWebContext* context);

// Shows a downloaded file's folder (or opens the file) with the desktop's handler, as a
// download window's Open Folder does; false when nothing could.
bool open_download_location(const std::string& path);

// A page's address whose answer `view` cannot show (a program, an archive, a file served
// as bare bytes) is downloaded, as a user expects of a link to a file: the engine itself
// downloads only answers marked as attachments and drops the rest without a word. Only
// the top page's own address: a frame of a page starts no download of what it cannot show.
void download_what_cannot_be_shown(WebKitWebView* view);

// The windows of the downloads that have not been closed yet, oldest first.
std::vector<DownloadWindow*> download_windows();
// Downloads that have not ended yet, including those whose save dialog is open.
std::size_t downloads_in_progress();

// Cancels every download that has not ended and removes its partial file, for the end
// of the program (the engine's processes end with it).
void cancel_all_downloads();

// The session is ending (the desktop logs out), and the engine's processes may go before
// the program does: from now on a download that fails keeps its partial file under its
// temporary name, so that what was received is not lost.
void keep_partial_files_of_failures();

}  // namespace kv
