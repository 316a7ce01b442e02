// Item-id lists and the folder addresses made from them. A list that decodes encodes to
// the same bytes and measures the same size; the size of any bytes stays within the list
// limit; a folder address that parses names only folders below the special folder and
// reads back the same.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "favorites/module2.h"
#include "fuzz_support.h"
#include "shell/shell_folder_id.h"

namespace {

using kv::fuzz::require;

// The size reader walks memory without a bound of its own but never past 32768 bytes,
// so that many zero bytes behind the input keep it inside.
constexpr std::size_t kSizeReaderReach = 32767 + 2;

void check_names(const kv::ShellFolder& folder) {
  require(folder.csidl == kv::CSIDL_FAVORITES || folder.path.empty(), "a subfolder of the history");
  for (const std::string& name : folder.path) {
    require(kv::valid_subfolder_name(name), "a subfolder name that leaves the folder");
  }
}

void check_list(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> padded(data, data + size);
  padded.resize(size + kSizeReaderReach, 0);
  const std::int16_t measured = kv::Module2::ItemIdListSize(padded.data());
  require(measured == 0 || measured >= 2, "a list size below its terminator");

  const auto folder = kv::decode_item_id_list(data, size);
  if (!folder) return;
  check_names(*folder);
  const std::vector<std::uint8_t> encoded = kv::encode_item_id_list(*folder);
  require(encoded.size() <= size && std::memcmp(encoded.data(), data, encoded.size()) == 0,
          "a decoded list encodes to other bytes");
  require(static_cast<std::size_t>(measured) == encoded.size(),
          "the size of a list that decodes is not its length");
  require(kv::parse_folder_uri(kv::folder_uri(*folder)) == folder,
          "a folder's address names another folder");
}

void check_address(const std::string& address) {
  const auto folder = kv::parse_folder_uri(address);
  if (!folder) return;
  check_names(*folder);
  require(kv::parse_folder_uri(kv::folder_uri(*folder)) == folder,
          "a parsed address does not read back");
  const std::vector<std::uint8_t> encoded = kv::encode_item_id_list(*folder);
  if (encoded.size() <= 32767) {
    require(kv::decode_item_id_list(encoded.data(), encoded.size()) == folder,
            "a parsed address does not survive its item-id list");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  check_list(data, size);
  check_address(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
