// Link files of the favourites folder. An address read is one trimmed line that reads
// back the same when written into a link file of its own; the folder lists every link
// with UTF-8 texts; and the folder's page shows them as text, never as markup.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz_support.h"
#include "shell/favorites_folder.h"
#include "shell/folder_pages.h"

namespace {

using kv::fuzz::require;

void require_one_trimmed_line(const std::string& value) {
  require(!value.empty(), "an empty value");
  require(value.find('\n') == std::string::npos, "a value of more than one line");
  require(std::string(" \t\r").find(value.front()) == std::string::npos &&
              std::string(" \t\r").find(value.back()) == std::string::npos,
          "a value not trimmed");
}

void check_parsers(const std::string& text) {
  if (const auto address = kv::internet_shortcut_address(text)) {
    require_one_trimmed_line(*address);
    require(kv::internet_shortcut_address("[InternetShortcut]\nURL=" + *address + "\n") == address,
            "an internet shortcut's address does not read back");
  }
  if (const auto link = kv::desktop_link(text)) {
    require_one_trimmed_line(link->address);
    if (!link->name.empty()) require_one_trimmed_line(link->name);
    const auto again = kv::desktop_link("[Desktop Entry]\nType=Link\nURL=" + link->address +
                                        "\nName=" + link->name + "\n");
    require(again && again->address == link->address && again->name == link->name,
            "a desktop link does not read back");
  }
}

// A file name of the fuzzer's choosing, or "" for one the file system cannot hold.
std::string file_name(FuzzedDataProvider& input) {
  std::string name = input.ConsumeRandomLengthString(60);
  std::erase_if(name, [](char c) { return c == '/' || c == '\0'; });
  return name.empty() || name[0] == '.' ? "" : name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string name = file_name(input);
  const std::string text = input.ConsumeRemainingBytesAsString();
  check_parsers(text);

  const std::string folder = kv::fuzz::scratch_folder() + "/favorites";
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  std::filesystem::create_directory(folder);
  kv::fuzz::write_file(folder + "/a.url", text);
  kv::fuzz::write_file(folder + "/b.desktop", text);
  if (!name.empty()) std::filesystem::create_directory(folder + "/" + name, ignored);

  const kv::FolderListing listing = kv::read_favorites_folder(folder, 100);
  require(listing.readable && listing.links.size() == 2, "a link file went missing");
  for (const kv::FolderLink& link : listing.links) {
    require(g_utf8_validate(link.name.c_str(), -1, nullptr) != FALSE &&
                g_utf8_validate(link.address.c_str(), -1, nullptr) != FALSE,
            "a link text that is not UTF-8");
  }
  const kv::ShellFolder shown{kv::CSIDL_FAVORITES, name.empty() ? std::vector<std::string>{}
                                                                : std::vector<std::string>{name}};
  kv::fuzz::require_only_own_markup(kv::favorites_page(shown, listing));
  return 0;
}
