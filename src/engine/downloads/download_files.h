#pragma once

#include <optional>
#include <string>

namespace kv {

// The name to offer for a download the server or the address named `suggested`: its
// last path part without what file names cannot hold and without controls and direction
// overrides that would disguise it, at most 200 bytes with its extension kept;
// "download" when nothing is left.
std::string download_file_name(const std::string& suggested);

// A download is received into a file of its own beside the chosen one, so that a
// partial file never carries the chosen name: "report.zip" is received as
// "report.zip.<random>.part" and renamed when complete.
//
// Makes that file (empty); its path, or nothing with `error` saying why.
std::optional<std::string> reserve_partial_file(const std::string& final_path, std::string& error);
// Renames the complete partial file to the chosen name. A file there is replaced only
// when `may_replace` (the user agreed to replace it); one that appeared since, or a
// folder of that name, is kept, and the download takes the first free "name (n).ext"
// instead. The path it got, or nothing with `error` saying why; the partial file then
// stays.
std::optional<std::string> complete_partial_file(const std::string& partial_path,
                                                 const std::string& final_path, bool may_replace,
                                                 std::string& error);
// The name that a partial file of ours, or the engine's or our second name of it, stands
// for: "report.zip" for ".../report.zip.Ab3dE9.part.kept"; nothing for other names. No
// download ends under such a name.
std::optional<std::string> name_beneath_partial(const std::string& path);
// Removes the partial file and what the engine or we may have left beside it.
void discard_partial_file(const std::string& partial_path);
// The engine receives into a file of its own beside the partial one, and deletes it when
// the program ends first, by a crash, a kill or a log-out. A second name for that file
// keeps what was received; false when there is no such file yet.
bool keep_received_data(const std::string& partial_path);
// Moves what was kept for `partial_path` when the program ended under the partial
// file's own name.
void recover_partial_file(const std::string& partial_path);

}  // namespace kv
