// The address box's query: matching, ranking and one row per address, over a history
// store in memory.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdlib>

#include "shell/history_store.h"
#include "shell/suggestion_worker.h"
#include "shell/text_folding.h"
#include "support/run_until.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

using Clock = HistoryStore::Clock;
using std::chrono::days;
using std::chrono::hours;

TEST(TextFolding, OneCaseNoAccentsAndAddressesWithoutTheirWebPrefix) {
  EXPECT_EQ(fold_text("Ærø CAFÉ Straße ﬁle"), "ærø cafe strasse file");
  EXPECT_EQ(fold_text("bad \xFF byte\ttab"), "bad \xEF\xBF\xBD byte tab");
  EXPECT_EQ(address_stem("HTTPS://WWW.Example.TEST/Caf%C3%A9?q=%00"),
            "example.test/caf%c3%a9?q=%00");  // a 0 byte: left escaped, whole
  EXPECT_EQ(address_stem("http://example.test/caf%C3%A9"), "example.test/cafe");
  EXPECT_EQ(address_stem("file:///home/a.html"), "file:///home/a.html");
  EXPECT_EQ(stem_host("127.0.0.1:8080/a"), "127.0.0.1");
  const TypedQuery query = parse_typed("  www.Kest  news KEST ");
  EXPECT_EQ(query.words, (std::vector<std::string>{"kest", "news"}));
  EXPECT_EQ(query.stem, "");  // blanks: no address begins with it
  EXPECT_EQ(parse_typed("https://Kest.org/N").stem, "kest.org/n");
  EXPECT_EQ(parse_typed("www.").words, (std::vector<std::string>{"www."}));
}

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

TEST_F(Suggestions, HostsThatBeginWithTheTextFirstThenRecentChosenAndKeptPagesOneRowEach) {
  // Visited often long ago, or once today; a link followed, or an address typed.
  for (int i = 0; i < 3; ++i) {
    ASSERT_NE(store.record("http://old.test/birds", "Birds", now - days(15)), 0);
  }
  ASSERT_NE(store.record("http://new.test/birds", "Birds", now - hours(1)), 0);
  ASSERT_NE(store.record("http://linked.test/birds", "Birds", now - hours(2)), 0);
  ASSERT_NE(store.record("http://typed.test/birds", "Birds", now - hours(2), VisitKind::kChosen),
            0);
  ASSERT_NE(store.record("https://www.birdsong.test/", "Songs", now - days(18)), 0);
  EXPECT_EQ(find("birds"),
            (std::vector<std::string>{"https://www.birdsong.test/", "http://typed.test/birds",
                                      "http://new.test/birds", "http://linked.test/birds",
                                      "http://old.test/birds"}));
  // A favourite of a page the history holds lifts that page past the one visited today,
  // in one row; one it does not hold ranks as a link followed today, and a typed address
  // as one typed now.
  favourites.add("old.test/birds/", "");
  favourites.add("www.kept.test/birds", "");
  typed_list.add("birds.test", "");
  EXPECT_EQ(find("birds"),
            (std::vector<std::string>{"birds.test", "https://www.birdsong.test/",
                                      "http://typed.test/birds", "http://old.test/birds",
                                      "www.kept.test/birds", "http://new.test/birds",
                                      "http://linked.test/birds"}));
  // The page's every visit is one row, with its latest title; the list holds eight.
  ASSERT_NE(store.record("http://new.test/birds", "Birds of the world", now), 0);
  for (int i = 0; i < 10; ++i) {
    ASSERT_NE(store.record("http://many.test/" + std::to_string(i), "Birds", now - days(1)), 0);
  }
  const auto rows =
      find_suggestions(store, parse_typed("world birds"), favourites, typed_list, seconds(now));
  ASSERT_EQ(rows.size(), 1U);
  EXPECT_EQ(rows[0].title, "Birds of the world");
  EXPECT_TRUE(rows[0].in_history);
  EXPECT_EQ(find("birds").size(), kSuggestionRows);
  // Taken out of the history, it is found no more.
  ASSERT_TRUE(store.forget("http://new.test/birds"));
  EXPECT_TRUE(find("world").empty());
}

// A page's rank in the list, as the store gives it.
double rank_of(HistoryStore& store, const std::string& typed, const std::string& address) {
  for (const Suggestion& row : store.suggestions(parse_typed(typed), kSuggestionRows)) {
    if (row.address == address) return row.rank;
  }
  return std::nan("");
}

TEST_F(Suggestions, RepeatedVisitsWithinAMinuteCountOnceAndAPagesOwnMovesNotAtAll) {
  const auto at = now - hours(1);
  ASSERT_NE(store.record("http://once.test/bank", "Bank", at), 0);
  ASSERT_NE(store.record("http://chosen.test/bank", "Bank", at, VisitKind::kChosen), 0);
  // A page that goes to itself forty times, a user who presses Refresh forty times, a
  // link followed and then the same address typed: each one visit.
  ASSERT_NE(store.record("http://promo.test/bank", "Bank", at), 0);
  for (int i = 1; i <= 40; ++i) {
    ASSERT_NE(store.record("http://promo.test/bank", "Bank", at + std::chrono::seconds(i),
                           VisitKind::kPageOwn),
              0);
    ASSERT_NE(store.record("http://refreshed.test/bank", "Bank", at + std::chrono::seconds(i)), 0);
  }
  ASSERT_NE(store.record("http://typed.test/bank", "Bank", at), 0);
  ASSERT_NE(store.record("http://typed.test/bank", "Bank", at + std::chrono::seconds(5),
                         VisitKind::kChosen),
            0);
  const double once = rank_of(store, "bank", "http://once.test/bank");
  EXPECT_NEAR(rank_of(store, "bank", "http://promo.test/bank"), once, 1e-3);
  EXPECT_NEAR(rank_of(store, "bank", "http://refreshed.test/bank"), once, 1e-3);
  EXPECT_NEAR(rank_of(store, "bank", "http://typed.test/bank"),
              rank_of(store, "bank", "http://chosen.test/bank"), 1e-3);
  // A minute on, a visit counts again; a page's own moves never do.
  ASSERT_NE(store.record("http://refreshed.test/bank", "Bank", at + std::chrono::minutes(2)), 0);
  EXPECT_GT(rank_of(store, "bank", "http://refreshed.test/bank"), once + 0.9);
  ASSERT_NE(store.record("http://own.test/bank", "Bank", at, VisitKind::kPageOwn), 0);
  ASSERT_NE(store.record("http://own.test/bank", "Bank", at + std::chrono::minutes(2),
                         VisitKind::kPageOwn),
            0);
  EXPECT_EQ(find("bank").back(), "http://own.test/bank");
  // Taken out and visited again at once, a page counts anew.
  ASSERT_TRUE(store.forget("http://once.test/bank"));
  ASSERT_NE(store.record("http://once.test/bank", "Bank", at + std::chrono::seconds(1)), 0);
  EXPECT_NEAR(rank_of(store, "bank", "http://once.test/bank"), once, 1e-3);
}

TEST_F(Suggestions, AHistoryFromBeforeGetsItsPagesOnceAndKeepsBeingRecordedAndRead) {
  test::TempDir dir;
  const std::string path = dir.file("history.sqlite");
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const std::string visited = std::to_string(seconds(now - hours(3)));
    EXPECT_EQ(sqlite3_exec(db,
                           ("CREATE TABLE visits(id INTEGER PRIMARY KEY, address TEXT NOT NULL,"
                            " title TEXT NOT NULL, visited INTEGER NOT NULL);"
                            "INSERT INTO visits(address, title, visited) VALUES"
                            " ('http://old.test/', 'Élan', " +
                            visited +
                            "),"
                            " ('http://old.test/', '', " +
                            visited + ");")
                               .c_str(),
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
  }
  // A window's store records as before and leaves the building to the address box's.
  HistoryStore recorder(path);
  ASSERT_NE(recorder.record("http://new.test/", "Elan vital", now - hours(1)), 0);
  HistoryStore asking(path);
  asking.build_pages_here();
  const auto found =
      find_suggestions(asking, parse_typed("elan"), favourites, typed_list, seconds(now));
  ASSERT_EQ(found.size(), 2U);
  // Visited twice, against once: first.
  EXPECT_EQ(found[0].address, "http://old.test/");
  EXPECT_EQ(found[0].title, "Élan");
  // Built once: what is recorded after is found too, and the visits read as they were.
  ASSERT_NE(recorder.record("http://newer.test/", "Elan", now), 0);
  EXPECT_EQ(
      find_suggestions(asking, parse_typed("elan"), favourites, typed_list, seconds(now)).size(),
      3U);
  const HistoryReading reading = read_history(path, now, 100);
  ASSERT_TRUE(reading.available);
  std::size_t visits = 0;
  for (const HistoryDay& day : reading.days) visits += day.entries.size();
  EXPECT_EQ(visits, 3U);
}

TEST_F(Suggestions, ClearingTheHistoryLeavesNothingToSuggest) {
  test::TempDir dir;
  HistoryStore on_disk(dir.file("history.sqlite"));
  ASSERT_NE(on_disk.record("http://secret.test/", "Secret plans", now), 0);
  ASSERT_EQ(
      find_suggestions(on_disk, parse_typed("plans"), favourites, typed_list, seconds(now)).size(),
      1U);
  ASSERT_TRUE(on_disk.clear());
  EXPECT_TRUE(find_suggestions(on_disk, parse_typed("plans"), favourites, typed_list, seconds(now))
                  .empty());
  on_disk.close();
  // Neither the pages nor their index keep a trace.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(dir.file("history.sqlite").c_str(), &db), SQLITE_OK);
  int rows = -1;
  sqlite3_exec(
      db, "SELECT (SELECT count(*) FROM pages) + (SELECT count(*) FROM page_words_data) - 2",
      [](void* out, int, char** values, char**) {
        *static_cast<int*>(out) = std::atoi(values[0]);
        return 0;
      },
      &rows, nullptr);
  sqlite3_close(db);
  EXPECT_EQ(rows, 0);  // the index's two rows of its own structure
}

// The worker answers only the newest question: twenty asked at once are one answer.
TEST(SuggestionWorker, ANewerQuestionOvertakesTheOlderOnes) {
  test::TempDir dir;
  {
    HistoryStore store(dir.file("history.sqlite"));
    for (int i = 0; i < 20; ++i) {
      ASSERT_NE(store.record("http://page" + std::to_string(i) + ".test/", "Page",
                             HistoryStore::Clock::now()),
                0);
    }
  }
  int loads = 0;
  SuggestionWorker worker(dir.file("history.sqlite"),
                          [&loads](const std::optional<std::vector<std::string>>&) {
                            ++loads;
                            SuggestionEntries kept;
                            kept.add("www.page19.test/", "");
                            return kept;
                          });
  std::vector<std::string> answered;
  const std::string typed = "page19";
  for (std::size_t n = 1; n <= typed.size(); ++n) {
    worker.ask({typed.substr(0, n), {}, n == 1, std::nullopt},
               [&answered, n, &typed](std::vector<Suggestion> rows) {
                 answered.push_back(typed.substr(0, n) + ":" + std::to_string(rows.size()));
               });
  }
  ASSERT_TRUE(test::run_until([&] { return !answered.empty(); }));
  test::run_until([] { return false; }, std::chrono::milliseconds(200));
  // "page19" finds the page and the favourite of the same address: one row.
  EXPECT_EQ(answered, (std::vector<std::string>{"page19:1"}));
  worker.cancel();
  EXPECT_LE(loads, 2);
}

}  // namespace
}  // namespace kv
