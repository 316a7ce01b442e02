#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// One machine's favourites as sync sees them: the favourites folder's folders and links,
// and the favourites list of fav.Dat.

// A folder or link of the favourites folder. Its path is relative to the folder, "/"
// between names, and names what is on disk ("Work/Site.url"); "" is the folder itself.
struct LocalItem {
  std::string path;
  bool folder = false;
  std::string title;  // as the folder pane shows it
  std::string href;   // links only
  std::vector<LocalItem> children;
};

// One line of fav.Dat: the bytes as written, and the text they show.
struct ListEntry {
  std::string bytes;
  std::string text;

  bool operator==(const ListEntry&) const = default;
};

struct LocalRead {
  bool ok = false;  // false when either could not be read: nothing may be written then
  LocalItem folder{"", true, "", "", {}};
  std::vector<ListEntry> list;
};

// The last component of a path: "Site.url" of "Work/Site.url".
std::string_view path_name(std::string_view path);
// The path of `name` in the folder at `parent`.
std::string child_path(std::string_view parent, std::string_view name);

// Reads and changes the favourites where they live. Called from the sync's own thread:
// no window may be touched. Each change returns the item's path afterwards, or nullopt
// when it could not be made.
class LocalFavorites {
 public:
  LocalFavorites() = default;
  LocalFavorites(const LocalFavorites&) = delete;
  LocalFavorites& operator=(const LocalFavorites&) = delete;
  LocalFavorites(LocalFavorites&&) = delete;
  LocalFavorites& operator=(LocalFavorites&&) = delete;
  virtual ~LocalFavorites() = default;

  virtual LocalRead read() = 0;

  virtual std::optional<std::string> add_folder(const std::string& parent,
                                                const std::string& title) = 0;
  virtual std::optional<std::string> add_link(const std::string& parent, const std::string& title,
                                              const std::string& href) = 0;
  // Moves the item into `parent` and names it after `title`.
  virtual std::optional<std::string> move(const std::string& path, const std::string& parent,
                                          const std::string& title) = 0;
  virtual std::optional<std::string> set_address(const std::string& path,
                                                 const std::string& href) = 0;
  // A link; or a folder, which goes only once nothing is left in it.
  virtual bool remove(const std::string& path) = 0;

  // Replaces the list whole, if it still holds the lines `was` (someone may have written
  // it since it was read); otherwise, or on a failure, leaves it as it is.
  virtual bool write_list(const std::vector<std::string>& lines,
                          const std::vector<std::string>& was) = 0;
  // The text that a line of these bytes shows in the list.
  virtual std::string list_text(std::string_view bytes) = 0;
};

}  // namespace kv
