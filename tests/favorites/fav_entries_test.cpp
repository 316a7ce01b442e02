#include "favorites/fav_entries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv {
namespace {

std::vector<std::string> texts_of(const FavEntries& entries) {
  std::vector<std::string> out;
  for (const auto& entry : entries) out.emplace_back(entry.text);
  return out;
}

TEST(FavEntries, TextsOutliveMovesAppendsAndTheListTheyCameFrom) {
  // Enough texts, of every length up to a large one, to fill several shared blocks.
  std::vector<std::string> expected;
  FavEntries first;
  for (int i = 0; i < 3000; ++i) {
    expected.push_back(
        std::string(static_cast<std::size_t>(i % 97), static_cast<char>('a' + i % 26)) + "#" +
        std::to_string(i));
    first.push_text(expected.back());
  }
  expected.emplace_back(200'000, 'L');
  first.push_text(expected.back());

  FavEntries moved(std::move(first));
  // The emptied list takes new texts without writing where the list it handed on goes on.
  first.push_text(std::string(100, 'x'));  // NOLINT(bugprone-use-after-move): on purpose
  moved.push_text(std::string(100, 'y'));
  expected.emplace_back(100, 'y');
  EXPECT_EQ(texts_of(first), std::vector<std::string>{std::string(100, 'x')});

  FavEntries second;
  second.push_text("second list");
  second.append(std::move(moved));
  expected.insert(expected.begin(), "second list");
  EXPECT_EQ(texts_of(second), expected);

  second.erase(1);
  EXPECT_EQ(second.size(), expected.size() - 1);
  EXPECT_EQ(second[1].text, expected[2]);
  EXPECT_EQ(second[1].bytes, second[1].text) << "an added entry is written as its text";
}

}  // namespace
}  // namespace kv
