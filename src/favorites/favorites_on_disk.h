#pragma once

#include <string>

#include "sync/local_favorites.h"

namespace kv {

// The favourites folder and fav.Dat as sync reads and changes them, from the sync's own
// thread. Folders are made and named as Import names them; links are written as
// internet shortcuts (".url"). Nothing is written outside the favourites folder and no
// symbolic link in it is followed; a link file that has no address, and anything that
// is no folder or link, is not read and never touched.
class FavoritesOnDisk : public LocalFavorites {
 public:
  FavoritesOnDisk(std::string folder, std::string fav_dat);

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

 private:
  std::string folder_;
  std::string fav_dat_;
};

}  // namespace kv
