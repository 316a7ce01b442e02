// Page titles and addresses on their way into the history pages: recorded in the history,
// read back, and shown. Every visit comes back with the title it was given, and the page
// shows each as text, never as markup; the address box's suggestions, folded and indexed
// from them, name only pages visited, each once.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include "fuzz_support.h"
#include "shell/folder_pages.h"
#include "shell/history_store.h"

namespace {

using kv::fuzz::require;
using Clock = kv::HistoryStore::Clock;

constexpr int kMaxVisits = 8;
constexpr std::int64_t kSecondsKept = std::int64_t{kv::kHistoryDays} * 24 * 60 * 60;

// The engine hands titles and addresses over as C strings.
std::string c_string(FuzzedDataProvider& input) {
  std::string text = input.ConsumeRandomLengthString(200);
  return text.substr(0, text.find('\0'));
}

std::size_t items_on(const std::string& html) {
  std::size_t count = 0;
  for (std::size_t at = html.find("<li>"); at != std::string::npos; at = html.find("<li>", at + 1))
    ++count;
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = kv::fuzz::scratch_folder() + "/history.sqlite";
  static kv::HistoryStore store(path);
  const Clock::time_point now{std::chrono::seconds(1'780'000'000)};
  require(store.clear(), "the history could not be cleared");

  FuzzedDataProvider input(data, size);
  std::set<std::pair<std::string, std::string>> recorded;
  std::set<std::string> addresses;
  for (int i = 0; i < kMaxVisits && input.remaining_bytes() > 0; ++i) {
    const std::string address = c_string(input);
    const std::string title = c_string(input);
    const auto when =
        now - std::chrono::seconds(input.ConsumeIntegralInRange<std::int64_t>(0, kSecondsKept - 1));
    if (input.ConsumeBool()) {
      require(store.record(address, title, when) != 0, "a visit was not recorded");
    } else {
      // Pages often name themselves once they have loaded.
      const std::int64_t visit = store.record(address, "", when);
      require(visit != 0 && store.set_title(visit, title), "a visit was not retitled");
    }
    recorded.emplace(address, title);
    addresses.insert(address);
  }

  const kv::HistoryReading reading = kv::read_history(path, now, 1000);
  require(reading.available && !reading.truncated, "the history could not be read");
  std::set<std::string> shown;
  std::size_t entries = 0;
  for (const kv::HistoryDay& day : reading.days) {
    for (const kv::HistoryEntry& entry : day.entries) {
      require(recorded.contains({entry.address, entry.title}), "a visit came back changed");
      shown.insert(entry.address);
      ++entries;
    }
  }
  require(shown == addresses, "a visit went missing");

  // The address box finds among them, one row per address, nothing that was not visited.
  for (const auto& [address, title] : recorded) {
    const auto rows =
        store.suggestions(kv::parse_typed(title + " " + address), kv::kSuggestionRows);
    require(rows.size() <= 2 * kv::kSuggestionRows, "too many suggestions");
    std::set<std::string> suggested;
    for (const kv::Suggestion& row : rows) {
      require(addresses.contains(row.address), "a suggestion of a page never visited");
      require(suggested.insert(row.address).second, "an address suggested twice");
    }
  }

  const std::string html = kv::history_page(reading, now);
  kv::fuzz::require_only_own_markup(html);
  require(items_on(html) == entries, "the page does not show every visit once");
  return 0;
}
