#pragma once

#include <map>
#include <string>
#include <vector>

#include "sync/local_favorites.h"

namespace kv::test {

// A machine's favourites in memory, named as the favourites folder names them: a
// folder after its title, a link after its title with ".url", " (2)" for a second of one
// name, "∕" for a slash. The list's lines are bytes; those that are not UTF-8 show as
// Latin-1.
class MemoryFavorites : public LocalFavorites {
 public:
  struct Entry {
    bool folder = false;
    std::string href;
  };

  LocalRead read() override;
  std::optional<std::string> add_folder(const std::string& parent,
                                        const std::string& title) override;
  std::optional<std::string> add_link(const std::string& parent, const std::string& title,
                                      const std::string& href) override;
  std::optional<std::string> move(const std::string& path, const std::string& parent,
                                  const std::string& title) override;
  std::optional<std::string> set_address(const std::string& path, const std::string& href) override;
  bool remove(const std::string& path) override;
  bool write_list(const std::vector<std::string>& lines,
                  const std::vector<std::string>& was) override;
  std::string list_text(std::string_view bytes) override;

  // What the user does.
  void put_folder(const std::string& path) { entries[path] = {true, ""}; }
  void put_link(const std::string& path, const std::string& href) { entries[path] = {false, href}; }
  // Moves or renames a folder or link with what it holds, as a file manager does.
  void rename(const std::string& from, const std::string& to);
  void erase(const std::string& path);

  // "Work/\n  Site.url <https://...>\n" and then "list: a | b".
  [[nodiscard]] std::string outline() const;

  std::map<std::string, Entry> entries;  // by path
  std::vector<std::string> list;
  bool readable = true;
  bool failing = false;  // every change fails, as on a full disk
  int changes = 0;       // changes made through the interface

 private:
  std::string free_name(const std::string& parent, std::string name, const std::string& extension,
                        const std::string& except = "") const;
};

}  // namespace kv::test
