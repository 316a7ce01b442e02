#include "favorites/module2.h"

#include <gtest/gtest.h>

#include <vector>

#include "shell/shell_folders.h"

namespace kv {
namespace {

// A list in memory: item ids of the given sizes (each filled with its own index), then
// the terminator. `offset` puts it at an odd address.
std::vector<std::uint8_t> list_of(const std::vector<int>& sizes, std::size_t offset = 0) {
  std::vector<std::uint8_t> bytes(offset, 0xAA);
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    bytes.push_back(static_cast<std::uint8_t>(sizes[i] & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((sizes[i] >> 8) & 0xFF));
    bytes.insert(bytes.end(), static_cast<std::size_t>(sizes[i]) - 2,
                 static_cast<std::uint8_t>(i + 1));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

TEST(Module2, WalksAListOfTwoItemIds) {
  const auto bytes = list_of({20, 14});
  const std::uint8_t* list = bytes.data();
  EXPECT_EQ(Module2::ItemIdSize(list), 20);
  EXPECT_EQ(Module2::NextItemId(list), list + 20);
  EXPECT_EQ(Module2::ItemIdSize(list + 20), 14);
  EXPECT_EQ(Module2::NextItemId(list + 20), list + 34);
  EXPECT_EQ(Module2::ItemIdSize(list + 34), 0);
  EXPECT_EQ(Module2::NextItemId(list + 34), nullptr);
  EXPECT_EQ(Module2::ItemIdListSize(list), 36);

  // The size fields need not be aligned.
  const auto odd = list_of({20, 14}, 1);
  EXPECT_EQ(Module2::ItemIdListSize(odd.data() + 1), 36);
}

TEST(Module2, EmptyListsAndNoAddress) {
  const auto empty = list_of({});
  EXPECT_EQ(Module2::ItemIdListSize(empty.data()), 2);
  EXPECT_EQ(Module2::ItemIdSize(nullptr), 0);
  EXPECT_EQ(Module2::NextItemId(nullptr), nullptr);
  EXPECT_EQ(Module2::ItemIdListSize(nullptr), 0);
}

TEST(Module2, ListsBeyond32767BytesGiveZero) {
  // The largest that fits: 32765 bytes of items and the terminator.
  EXPECT_EQ(Module2::ItemIdListSize(list_of({32765}).data()), 32767);
  EXPECT_EQ(Module2::ItemIdListSize(list_of({30000, 2765}).data()), 32767);
  // One byte more, counted in the items or only with the terminator.
  EXPECT_EQ(Module2::ItemIdListSize(list_of({32766}).data()), 0);
  EXPECT_EQ(Module2::ItemIdListSize(list_of({30000, 2767}).data()), 0);
  EXPECT_EQ(Module2::ItemIdListSize(list_of({20000, 20000}).data()), 0);
  EXPECT_EQ(Module2::ItemIdListSize(list_of(std::vector<int>(1000, 40)).data()), 0);
}

TEST(Module2, SizeFieldsAreSixteenBitSigned) {
  // 0x8010 reads as a negative size: the item walk would go backwards, so the list is
  // refused instead of looping. A size of 1 would step into its own field.
  std::vector<std::uint8_t> backwards = {4, 0, 0, 0, 0x10, 0x80, 0, 0};
  EXPECT_EQ(Module2::ItemIdSize(backwards.data() + 4), static_cast<std::int16_t>(0x8010));
  EXPECT_EQ(Module2::ItemIdListSize(backwards.data()), 0);
  std::vector<std::uint8_t> loop = {4, 0, 0, 0, 0xFC, 0xFF, 0, 0};  // -4: back to the start
  EXPECT_EQ(Module2::ItemIdListSize(loop.data()), 0);
  std::vector<std::uint8_t> tiny = {1, 0, 0, 0};
  EXPECT_EQ(Module2::ItemIdListSize(tiny.data()), 0);
}

TEST(Module2, SizesTheShellsOwnLists) {
  for (const int csidl : {CSIDL_FAVORITES, CSIDL_HISTORY}) {
    ItemIdList* list = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, csidl, list), kShellOk);
    EXPECT_EQ(Module2::ItemIdListSize(list),
              static_cast<std::int16_t>(encode_item_id_list({csidl, {}}).size()));
    CoTaskMemFree(list);
  }
  const auto deep = encode_item_id_list({CSIDL_FAVORITES, {"a", "bb", "ccc"}});
  EXPECT_EQ(Module2::ItemIdListSize(deep.data()), static_cast<std::int16_t>(deep.size()));
}

}  // namespace
}  // namespace kv
