#include "shell/shell_folders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "shell/shell_folder_id.h"

namespace kv {
namespace {

// The bytes of a list the shell handed out, found by walking its size fields.
std::vector<std::uint8_t> bytes_of(const ItemIdList* list) {
  const auto* at = reinterpret_cast<const std::uint8_t*>(list);
  std::size_t size = 0;
  while (const std::size_t item = at[size] | (at[size + 1] << 8)) size += item;
  return {at, at + size + 2};
}

TEST(ShellFolders, HandsOutListsThatDecodeToTheirFolder) {
  std::error_code ignored;
  std::filesystem::remove_all(favorites_folder_path(), ignored);

  for (const int csidl : {CSIDL_FAVORITES, CSIDL_HISTORY}) {
    ItemIdList* list = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, csidl, list), kShellOk) << csidl;
    ASSERT_NE(list, nullptr);
    const auto bytes = bytes_of(list);
    const auto folder = decode_item_id_list(bytes.data(), bytes.size());
    ASSERT_TRUE(folder.has_value());
    EXPECT_EQ(folder->csidl, csidl);
    EXPECT_TRUE(folder->path.empty());
    CoTaskMemFree(list);
  }
  // Asking for the favourites made the folder.
  EXPECT_TRUE(std::filesystem::is_directory(favorites_folder_path()));
}

TEST(ShellFolders, UnknownIdsFailWithoutAList) {
  // 65542 would be 6 if anything cut the id to 16 bits.
  for (const int csidl : {0, 5, 7, 33, 35, -1, 65542}) {
    auto* list = reinterpret_cast<ItemIdList*>(0x1);  // must be overwritten
    EXPECT_NE(SHGetSpecialFolderLocation(nullptr, csidl, list), kShellOk) << csidl;
    EXPECT_EQ(list, nullptr) << csidl;
  }
}

TEST(ShellFolders, FavouritesFailWhenTheFolderCannotBeMade) {
  const std::string path = favorites_folder_path();
  std::filesystem::remove_all(path);
  { std::ofstream(path) << "a file where the folder should be"; }
  ItemIdList* list = nullptr;
  EXPECT_NE(SHGetSpecialFolderLocation(nullptr, CSIDL_FAVORITES, list), kShellOk);
  EXPECT_EQ(list, nullptr);
  // History does not depend on it.
  EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_HISTORY, list), kShellOk);
  CoTaskMemFree(list);
  std::filesystem::remove(path);
  EXPECT_FALSE(favorites_folder_path().empty());
}

TEST(ShellFolders, MoveMemoryNeverWritesPastTheArray) {
  const std::uint8_t source[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  std::vector<std::uint8_t> small(4, 0xEE);
  RtlMoveMemory(small, source, sizeof source);
  EXPECT_EQ(small, (std::vector<std::uint8_t>{1, 2, 3, 4}));

  std::vector<std::uint8_t> large(6, 0xEE);
  RtlMoveMemory(large, source, 3);
  EXPECT_EQ(large, (std::vector<std::uint8_t>{1, 2, 3, 0xEE, 0xEE, 0xEE}));
  RtlMoveMemory(large, nullptr, 3);
  EXPECT_EQ(large[0], 1);
}

TEST(ShellFolderId, ListsRoundTripWithAnyNameBytes) {
  const ShellFolder folder{CSIDL_FAVORITES, {"Work", "two words", "caf\xE9 latin-1", "%41&?#"}};
  const auto bytes = encode_item_id_list(folder);
  // root 8, then 3 + name for each level, then the terminator
  EXPECT_EQ(bytes.size(), 8U + (3 + 4) + (3 + 9) + (3 + 12) + (3 + 6) + 2);
  EXPECT_EQ(bytes[0], 8);
  EXPECT_EQ(bytes[1], 0);
  EXPECT_EQ(decode_item_id_list(bytes.data(), bytes.size()), folder);
  EXPECT_EQ(parse_folder_uri(folder_uri(folder)), folder);

  EXPECT_EQ(folder_uri({CSIDL_HISTORY, {}}), "kv-shell://history/");
  EXPECT_EQ(folder_uri({CSIDL_FAVORITES, {"a b", "c"}}), "kv-shell://favorites/a%20b/c");
}

TEST(ShellFolderId, RejectsMalformedLists) {
  const auto good = encode_item_id_list({CSIDL_FAVORITES, {"sub"}});
  // Cut anywhere before the end: no terminator inside the bytes given.
  for (std::size_t size = 0; size < good.size(); ++size) {
    EXPECT_FALSE(decode_item_id_list(good.data(), size).has_value()) << size;
  }
  EXPECT_FALSE(decode_item_id_list(nullptr, 10).has_value());

  auto broken = [&](auto change) {
    auto bytes = good;
    change(bytes);
    return decode_item_id_list(bytes.data(), bytes.size()).has_value();
  };
  EXPECT_FALSE(broken([](auto& b) { b[0] = 1; }));      // size smaller than its field
  EXPECT_FALSE(broken([](auto& b) { b[1] = 0x80; }));   // size beyond the bytes
  EXPECT_FALSE(broken([](auto& b) { b[2] = 'X'; }));    // not our root
  EXPECT_FALSE(broken([](auto& b) { b[6] = 7; }));      // unknown folder
  EXPECT_FALSE(broken([](auto& b) { b[10] = 0x32; }));  // not a subfolder item
  EXPECT_FALSE(broken([](auto& b) { b[11] = '/'; }));   // a path inside a name
  EXPECT_FALSE(broken([](auto& b) { b[12] = '\0'; }));
  for (const char* name : {".", "..", "a/b", ""}) {
    const auto bytes = encode_item_id_list({CSIDL_FAVORITES, {name}});
    EXPECT_FALSE(decode_item_id_list(bytes.data(), bytes.size()).has_value()) << name;
  }
  // History has no subfolders.
  const auto history = encode_item_id_list({CSIDL_HISTORY, {"x"}});
  EXPECT_FALSE(decode_item_id_list(history.data(), history.size()).has_value());
}

TEST(ShellFolderId, RandomDamageNeverReadsOutOfBounds) {
  // Under ASan this catches any read past the bytes given.
  const auto good = encode_item_id_list({CSIDL_FAVORITES, {"one", "two"}});
  std::mt19937 random(12345);
  int decoded = 0;
  for (int round = 0; round < 20000; ++round) {
    auto bytes = good;
    bytes.resize(random() % (good.size() + 4));
    for (int flips = 0; flips < 3 && !bytes.empty(); ++flips) {
      bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
    }
    std::vector<std::uint8_t> exact(bytes);  // its own allocation, so overreads show
    if (const auto folder = decode_item_id_list(exact.data(), exact.size())) {
      ++decoded;
      for (const auto& name : folder->path) EXPECT_TRUE(valid_subfolder_name(name));
    }
  }
  EXPECT_GT(decoded, 0);  // some damage is harmless (a changed name byte)
}

TEST(ShellFolderId, AddressesNeverLeaveTheFavouritesFolder) {
  EXPECT_EQ(parse_folder_uri("kv-shell://favorites/"), (ShellFolder{CSIDL_FAVORITES, {}}));
  EXPECT_EQ(parse_folder_uri("kv-shell://favorites"), (ShellFolder{CSIDL_FAVORITES, {}}));
  EXPECT_EQ(parse_folder_uri("KV-SHELL://History/?x#y"), (ShellFolder{CSIDL_HISTORY, {}}));
  EXPECT_EQ(parse_folder_uri("kv-shell://favorites//a//b/"),
            (ShellFolder{CSIDL_FAVORITES, {"a", "b"}}));
  for (const char* uri :
       {"kv-shell://favorites/../etc", "kv-shell://favorites/a/%2E%2E/b",
        "kv-shell://favorites/a%2Fb", "kv-shell://favorites/a%00b", "kv-shell://favorites/%zz",
        "kv-shell://history/x", "kv-shell://other/", "http://favorites/", "kv-shell:", ""}) {
    EXPECT_FALSE(parse_folder_uri(uri).has_value()) << uri;
  }
}

}  // namespace
}  // namespace kv
