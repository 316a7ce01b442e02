#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "favorites/module1.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "vector_items.h"

namespace kv {
namespace {

using Module1::FileRead;
using Module1::LoadListFromFile;
using Module1::SaveListToFile;
using Strings = std::vector<std::string>;

class FavFile : public ::testing::Test {
 protected:
  // Loads `bytes` from fav.Dat into a fresh list.
  Strings load(const std::string& bytes) {
    test::write_bytes(path, bytes);
    test::VectorItems list;
    EXPECT_EQ(LoadListFromFile(list, path, true), FileRead::kRead);
    EXPECT_EQ(list.bulk_depth, 0);
    return list.items;
  }
  std::string save(const Strings& entries) {
    const test::VectorItems list(entries);
    EXPECT_TRUE(SaveListToFile(list, path));
    return test::read_bytes(path).value_or("<no file>");
  }
  // Files in the folder other than fav.Dat: a save must leave no temporary behind.
  std::vector<std::string> strays() const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
      if (entry.path().filename() != "fav.Dat") found.push_back(entry.path().filename());
    }
    return found;
  }

  test::TempDir folder;
  std::string path = folder.file("fav.Dat");
};

TEST_F(FavFile, TheSevenByteExampleBothWays) {
  EXPECT_EQ(save({"a", "bc"}), std::string("\x61\x0D\x0A\x62\x63\x0D\x0A"));
  EXPECT_EQ(load("a\r\nbc\r\n"), (Strings{"a", "bc"}));
}

TEST_F(FavFile, EntriesComeBackWholeAndInPlace) {
  // Empty entries, and entries that a comma-field reader would split or trim.
  const Strings entries{"", "http://x.test/a,b", "\"quoted\"", "  padded  ", "\tlead",
                        "", "a, \"b\", c",       "last"};
  const std::string bytes = save(entries);
  std::size_t expected_length = 0;
  for (const auto& e : entries) expected_length += e.size() + 2;
  EXPECT_EQ(bytes.size(), expected_length);
  EXPECT_EQ(bytes.substr(0, 2), "\r\n") << "an empty entry is a bare line end";
  EXPECT_EQ(load(bytes), entries);
}

TEST_F(FavFile, LineEnds) {
  EXPECT_EQ(load("a\r\nbc"), (Strings{"a", "bc"})) << "last line without CR LF";
  EXPECT_EQ(load("a\nb\n"), (Strings{"a", "b"})) << "LF alone";
  EXPECT_EQ(load("a\r\nb\nc"), (Strings{"a", "b", "c"}));
  EXPECT_EQ(load("a\r\n\r\n"), (Strings{"a", ""})) << "no extra entry after the last CR LF";
  EXPECT_EQ(load("\r\n"), (Strings{""}));
  EXPECT_EQ(load("a\rb\r\n"), (Strings{"a\rb"})) << "a CR inside a line stays";
  EXPECT_EQ(load("a\r"), (Strings{"a"})) << "a line end cut after its CR";
  EXPECT_EQ(load("\xEF\xBB\xBFhttp://x.test\r\n"), (Strings{"http://x.test"}))
      << "a byte-order mark is no text";
}

TEST_F(FavFile, AFirstEntryBeginningWithAByteOrderMarkKeepsIt) {
  const Strings entries{"\xEF\xBB\xBFx", "y"};
  EXPECT_EQ(save(entries), "\xEF\xBB\xBF\xEF\xBB\xBFx\r\ny\r\n");
  EXPECT_EQ(load(save(entries)), entries);
  EXPECT_EQ(save({"y", "\xEF\xBB\xBFx"}), "y\r\n\xEF\xBB\xBFx\r\n")
      << "only the first entry needs it";
}

TEST_F(FavFile, EmptyFileEmptiesTheList) {
  test::write_bytes(path, "");
  test::VectorItems list({"old"});
  EXPECT_EQ(LoadListFromFile(list, path, true), FileRead::kRead);
  EXPECT_TRUE(list.items.empty());
}

TEST_F(FavFile, AppendsWithoutClearing) {
  test::write_bytes(path, "b\r\nc\r\n");
  test::VectorItems list({"a"});
  EXPECT_EQ(LoadListFromFile(list, path, false), FileRead::kRead);
  EXPECT_EQ(list.items, (Strings{"a", "b", "c"}));
}

TEST_F(FavFile, MissingFileLeavesTheListAndCreatesNothing) {
  test::VectorItems list({"keep", "these"});
  EXPECT_EQ(LoadListFromFile(list, path, true), FileRead::kMissing);
  EXPECT_EQ(list.items, (Strings{"keep", "these"}));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(LoadListFromFile(list, folder.file("no/such/folder/fav.Dat"), true),
            FileRead::kMissing);
  EXPECT_EQ(list.items.size(), 2U);
}

TEST_F(FavFile, WhatIsNoPlainFileIsUnreadableAndLeavesTheList) {
  test::VectorItems list({"keep"});
  std::filesystem::create_directory(path);
  EXPECT_EQ(LoadListFromFile(list, path, true), FileRead::kUnreadable);
  std::filesystem::remove(path);
  // A pipe would block a reader forever.
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(LoadListFromFile(list, path, true), FileRead::kUnreadable);
  EXPECT_EQ(list.items, (Strings{"keep"}));
}

TEST_F(FavFile, AFailedAppendEndsTheLoadKeepingWhatCame) {
  test::write_bytes(path, "a\r\nb\r\nc\r\n");
  test::VectorItems list;
  list.fail_adding_at = 2;
  EXPECT_EQ(LoadListFromFile(list, path, true), FileRead::kUnreadable);
  EXPECT_EQ(list.items, (Strings{"a", "b"}));
  EXPECT_EQ(list.bulk_depth, 0) << "the list leaves bulk mode";
}

TEST_F(FavFile, TextIsUtf8WithWindows1252PerLine) {
  EXPECT_EQ(load("caf\xC3\xA9\r\ncaf\xE9\r\n\x80 \x93q\x94 \x81\r\n"),
            (Strings{"café", "café", "€ “q” \xC2\x81"}));
  // Written back as UTF-8, so the next load reads the same text.
  const Strings entries{"café", "€ “q”"};
  EXPECT_EQ(load(save(entries)), entries);
}

TEST_F(FavFile, ZeroBytesAndHugeLinesLoseNoLine) {
  EXPECT_EQ(load(std::string("a\0b\r\nc\r\n", 7)), (Strings{"a\xEF\xBF\xBD"
                                                            "b",
                                                            "c"}));
  EXPECT_EQ(load(std::string("\0\xE9\r\n", 4)), (Strings{"\xEF\xBF\xBD\xC3\xA9"}))
      << "a 0 byte in a Windows-1252 line";
  const std::string huge(10U << 20U, 'x');
  const Strings loaded = load("first\r\n" + huge + "\r\nlast");
  ASSERT_EQ(loaded.size(), 3U);
  EXPECT_EQ(loaded[1].size(), huge.size());
  EXPECT_EQ(loaded[2], "last");
}

TEST_F(FavFile, ManyLinesAcrossReadChunksRoundTrip) {
  Strings entries;
  std::string bytes;
  for (int i = 0; i < 150000; ++i) {
    entries.push_back("http://host" + std::to_string(i) + ".test/" + std::string(i % 37, 'p'));
    bytes += entries.back() + "\r\n";
  }
  EXPECT_EQ(save(entries), bytes);
  EXPECT_EQ(load(bytes), entries);

  // A CR LF cut in two where the reader's 1 MiB reads meet.
  const std::string first((1U << 20U) - 1, 'a');
  EXPECT_EQ(load(first + "\r\nb\r\n"), (Strings{first, "b"}));
}

TEST_F(FavFile, AnEmptyListWritesAnEmptyFile) {
  test::write_bytes(path, "old\r\n");
  EXPECT_EQ(save({}), "");
}

TEST_F(FavFile, AFailedSaveLeavesTheOldFile) {
  const std::string old = "old one\r\nold two\r\n";
  test::write_bytes(path, old);
  test::VectorItems list({"new one", "new two", "new three"});

  // The list fails part way through.
  list.fail_reading_at = 2;
  EXPECT_ANY_THROW(SaveListToFile(list, path));
  EXPECT_EQ(test::read_bytes(path), old);

  // The disk fills part way through the write.
  list.fail_reading_at = std::string::npos;
  list.items.assign(5000, std::string(60, 'n'));
  struct sigaction ignore {};
  struct sigaction previous {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit small{4096, limit.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = SaveListToFile(list, path);
  ::setrlimit(RLIMIT_FSIZE, &limit);
  ::sigaction(SIGXFSZ, &previous, nullptr);
  EXPECT_FALSE(saved);
  EXPECT_EQ(test::read_bytes(path), old);
  EXPECT_EQ(strays(), std::vector<std::string>{}) << "no temporary file is left behind";

  // A folder stands where the file should go.
  std::filesystem::remove(path);
  std::filesystem::create_directory(path);
  test::write_bytes(path + "/inside", "kept");
  EXPECT_FALSE(SaveListToFile(list, path));
  EXPECT_EQ(test::read_bytes(path + "/inside"), "kept");
}

TEST_F(FavFile, EntriesReadAreWrittenBackByteForByteAndAddedOnesAsUtf8) {
  // A byte-order mark, Windows-1252, 0 bytes, a CR inside a line, LF alone, no last line end.
  constexpr char kFileBytes[] =
      "\xEF\xBB\xBF"
      "caf\xE9\r\n"
      "a\0b\r\n"
      "\x93q\x94\n"
      "x\ry\r\n"
      "caf\xC3\xA9";
  const std::string read(kFileBytes, sizeof kFileBytes - 1);
  test::write_bytes(path, read);
  test::VectorItems list;
  ASSERT_EQ(LoadListFromFile(list, path, true), FileRead::kRead);
  EXPECT_EQ(list.items, (Strings{"café",
                                 "a\xEF\xBF\xBD"
                                 "b",
                                 "“q”", "x\ry", "café"}));
  list.add_item("€");
  ASSERT_TRUE(SaveListToFile(list, path));
  // Line ends become CR LF, as every line of the file has them.
  std::string expected = read;
  expected.replace(expected.find("\x94\n"), 2, "\x94\r\n");
  EXPECT_EQ(test::read_bytes(path), expected + "\r\n\xE2\x82\xAC\r\n");
}

// A list whose first item never comes: the save it is in stalls until it is killed.
class StallingItems : public test::VectorItems {
 public:
  explicit StallingItems(int ready) : VectorItems({"never written"}), ready_(ready) {}
  [[nodiscard]] std::string_view item_bytes(std::size_t /*index*/) const override {
    [[maybe_unused]] const auto told = ::write(ready_, "!", 1);
    while (true) ::pause();
  }

 private:
  int ready_;
};

TEST_F(FavFile, WhatAKilledSaveLeftGoesAtTheNextLoadAndSaveAndNothingElseDoes) {
  test::write_bytes(path, "kept\r\n");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t saver = ::fork();
  ASSERT_GE(saver, 0);
  if (saver == 0) {
    const StallingItems list(ready[1]);
    SaveListToFile(list, path);
    ::_exit(0);
  }
  char told = 0;
  ASSERT_EQ(::read(ready[0], &told, 1), 1);
  ::kill(saver, SIGKILL);
  ::waitpid(saver, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  const std::vector<std::string> left = strays();
  ASSERT_EQ(left.size(), 1U) << "the killed save left its file";
  EXPECT_EQ(test::read_bytes(path), "kept\r\n");

  // Names a save never makes, and one that a save at work in another program holds.
  std::vector<std::string> others{"fav.Dat.backup", "fav.Dat.saving-abc", "fav.Dat.saving-abc1234",
                                  "fav.Dat.saving-ab_123", "other.Dat.saving-Ab12Cd"};
  for (const auto& name : others) test::write_bytes(folder.file(name), "not ours");
  std::filesystem::create_directory(folder.file("fav.Dat.saving-Dir123"));
  std::filesystem::create_symlink(path, folder.file("fav.Dat.saving-Lnk123"));
  const std::string busy = folder.file("fav.Dat.saving-Busy12");
  test::write_bytes(busy, "half");
  const int held = ::open(busy.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  others.insert(others.end(),
                {"fav.Dat.saving-Dir123", "fav.Dat.saving-Lnk123", "fav.Dat.saving-Busy12"});
  std::sort(others.begin(), others.end());
  auto sorted_strays = [this] {
    auto found = strays();
    std::sort(found.begin(), found.end());
    return found;
  };

  test::VectorItems list;
  EXPECT_EQ(LoadListFromFile(list, path, true), FileRead::kRead);
  EXPECT_EQ(list.items, Strings{"kept"});
  EXPECT_EQ(sorted_strays(), others);

  test::write_bytes(folder.file(left[0]), "left by a kill");
  EXPECT_TRUE(SaveListToFile(list, path));
  EXPECT_EQ(sorted_strays(), others);
  ::close(held);
  EXPECT_TRUE(SaveListToFile(list, path));
  std::erase(others, "fav.Dat.saving-Busy12");
  EXPECT_EQ(sorted_strays(), others) << "once no save holds it, it is a leftover";
}

}  // namespace
}  // namespace kv
