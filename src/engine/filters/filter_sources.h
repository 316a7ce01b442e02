#pragma once

#include <string>
#include <vector>

namespace kv {

// Where filter lists come from and where their results are kept.
struct FilterPlaces {
  std::vector<std::string> packaged;  // EasyList and EasyPrivacy from Debian's package
  std::string user_dir;               // the user's own lists and the subscriptions file
  std::string cache_dir;              // fetched subscriptions
  std::string store_dir;              // the engine's compiled lists
};

// The program's places: Debian's lists where that package is installed, the lists in
// ~/.config/kestrivane/filters/, and ~/.cache/kestrivane/ for the rest.
FilterPlaces default_filter_places();

// EasyList and EasyPrivacy of the Debian package that ships them, found through the
// package's file list, or where that package puts them when dpkg cannot say.
std::vector<std::string> packaged_filter_lists();

// The engine's compiled lists and their report: ~/.cache/kestrivane/content-filters.
std::string filter_store_dir();

// One list to use: a file in the Adblock Plus syntax, or already in the engine's format.
struct ListSource {
  std::string name;  // what users see: the file's name, or the subscription's address
  std::string path;
  bool engine_format = false;
};

// The lists in use: the packaged ones, the user's .txt and .json files, and the fetched
// copies of the subscriptions (those fetched at least once).
std::vector<ListSource> list_sources(const FilterPlaces& places);

// The subscriptions' addresses, one a line in the subscriptions file (https, or file);
// the publishers' EasyList and EasyPrivacy when there is neither such a file nor a
// packaged list. Addresses of other schemes go to `refused`.
std::vector<std::string> subscription_addresses(const FilterPlaces& places,
                                                std::vector<std::string>* refused = nullptr);

// Where the fetched copy of the subscription at `address` is kept.
std::string subscription_copy_path(const FilterPlaces& places, const std::string& address);

}  // namespace kv
