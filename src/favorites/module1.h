#pragma once

#include <string>

namespace Gtk {
class Window;
}

namespace kv {

class DesktopServices;
class ListItems;

// The favourites file and the favourites window's helpers.
namespace Module1 {

// What a load found, so that the window never writes over a file it could not read.
enum class FileRead {
  kRead,        // the whole file was read
  kMissing,     // there is no file (nothing was changed)
  kUnreadable,  // the file exists but could not be opened or read to its end
};

// Appends the entries of the file at `path` to `list`: one entry per line, each line
// whole, without its line end (CR LF or LF; a last line without one counts too). Each
// entry keeps the bytes it was read as; its text is UTF-8, or Windows-1252 made UTF-8.
// The list is emptied first when `clearFirst` holds and the file could be opened, so a
// missing file never empties it. Entries read before a read failure stay. What an
// interrupted save left beside the file is removed first.
FileRead LoadListFromFile(ListItems& list, const std::string& path, bool clearFirst);

// Writes every item of `list`, each followed by CR LF and nothing else: an entry read
// from the file as the bytes it was read as, an added one as UTF-8. The new file
// replaces the old one whole, and only once it is on disk, so a failure at any point
// leaves the old file as it was. An empty list writes an empty file. What an earlier,
// interrupted save left beside the file is removed first. Returns whether the file was
// written.
bool SaveListToFile(const ListItems& list, const std::string& path);

// Keeps `window` above every window that is not kept on top itself.
void MakeTopmost(Gtk::Window& window, DesktopServices& services);

}  // namespace Module1
}  // namespace kv
