// The address box's query: matching, ranking and one row per address, over a history
// store in memory.
#include <gtest/gtest.h>

#include "shell/history_store.h"
#include "shell/suggestion_worker.h"

namespace kv {
namespace {

using Clock = HistoryStore::Clock;
using std::chrono::days;
using std::chrono::hours;

class Suggestions : public ::testing::Test {
 protected:
  std::vector<std::string> find(const std::string& typed) {
    std::vector<std::string> found;
    for (const Suggestion& row :
         find_suggestions(store, parse_typed(typed), favourites, typed_list, seconds(now))) {
      found.push_back(row.address);
    }
    return found;
  }
  static std::int64_t seconds(Clock::time_point when) {
    return std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count();
  }

  HistoryStore store{":memory:"};
  SuggestionEntries favourites;
  SuggestionEntries typed_list;
  const Clock::time_point now = Clock::now();
};

TEST_F(Suggestions, EveryWordInTitleOrAddressIgnoringCaseAndAccents) {
  ASSERT_NE(store.record("http://kestrivane.test/news", "Kestrivane News", now - hours(1)), 0);
  ASSERT_NE(store.record("https://www.cafe.test/menu", "Le Café de la Gare", now - hours(2)), 0);
  ASSERT_NE(store.record("http://other.test/caf%C3%A9s", "", now - hours(3)), 0);
  EXPECT_EQ(find("kest"), (std::vector<std::string>{"http://kestrivane.test/news"}));
  EXPECT_EQ(find("NEWS kestri"), (std::vector<std::string>{"http://kestrivane.test/news"}));
  EXPECT_EQ(find("news gare"), (std::vector<std::string>{}));
  // "café" typed finds "Café" and "cafe"; "CAFE" finds "café" in an escaped address.
  EXPECT_EQ(find("café"), (std::vector<std::string>{"https://www.cafe.test/menu",
                                                    "http://other.test/caf%C3%A9s"}));
  EXPECT_EQ(find("CAFES"), (std::vector<std::string>{"http://other.test/caf%C3%A9s"}));
  EXPECT_EQ(find("ga"), (std::vector<std::string>{"https://www.cafe.test/menu"}));
}

}  // namespace
}  // namespace kv
