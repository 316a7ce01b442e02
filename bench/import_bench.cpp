// Importing other browsers' bookmarks: 50,000 bookmarks in 2,000 folders, read from an
// HTML bookmarks file and from Chromium's JSON, and written into an empty favourites
// folder. The targets: at most 5 s for the whole import, and the JSON at most 1.2 times
// the HTML file.
#include <benchmark/benchmark.h>
#include <glib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bookmarks/chromium_bookmarks.h"
#include "bookmarks/favorites_import.h"
#include "bookmarks/html_bookmarks.h"
#include "desktop/glib_handles.h"

namespace {

constexpr int kTopFolders = 40;
constexpr int kSubfolders = 49;  // 40 + 40 * 49 = 2,000 folders
constexpr int kLinks = 50000;

kv::Bookmark big_tree() {
  kv::Bookmark root{"", "", true, {}};
  for (int t = 0; t < kTopFolders; ++t) {
    kv::Bookmark top{"Folder " + std::to_string(t), "", true, {}};
    for (int s = 0; s < kSubfolders; ++s) {
      top.children.push_back({"Topic " + std::to_string(s), "", true, {}});
    }
    root.children.push_back(std::move(top));
  }
  for (int made = 0; made < kLinks; ++made) {
    const int sub = made % (kTopFolders * kSubfolders);
    root.children[sub / kSubfolders].children[sub % kSubfolders].children.push_back(
        {"Page " + std::to_string(made) + " about things & more",
         "https://site" + std::to_string(made % 997) + ".test/page/" + std::to_string(made),
         false,
         {}});
  }
  return root;
}

std::string chromium_json(const kv::Bookmark& folder) {
  std::string out = "{\"type\":\"folder\",\"name\":\"" + folder.title + "\",\"children\":[";
  bool first = true;
  for (const kv::Bookmark& child : folder.children) {
    if (!first) out += ',';
    first = false;
    out += child.folder ? chromium_json(child)
                        : "{\"type\":\"url\",\"name\":\"" + child.title + "\",\"url\":\"" +
                              child.address + "\"}";
  }
  return out + "]}";
}

// The folders imported into, removed only once every benchmark has run: a file system
// that has just deleted 50,000 files (ext4 keeps recently freed inodes aside for a few
// minutes) makes the next 50,000 creations several times slower, which would charge one
// import for the clean-up of the one before it.
std::vector<std::string>& imported_folders() {
  static std::vector<std::string> folders;
  return folders;
}

std::string chromium_file(const kv::Bookmark& tree) {
  return "{\"roots\":{\"bookmark_bar\":" + chromium_json(tree) + "}}";
}

// One import into a fresh folder, in seconds; nothing when it fell short.
std::optional<double> timed_import(const std::string& text, bool html) {
  const std::string folder = kv::take_string(g_dir_make_tmp("kv-import-bench-XXXXXX", nullptr));
  imported_folders().push_back(folder);
  // The last import's files written out first, so that each import is timed for its own
  // work alone.
  sync();
  const auto start = std::chrono::steady_clock::now();
  const kv::BookmarkRead read =
      html ? kv::read_html_bookmarks(text) : kv::read_chromium_bookmarks(text);
  const kv::ImportSummary summary = kv::import_bookmarks(read.root, folder, "Bench", "today");
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  if (summary.imported != kLinks || summary.folders < 2000) return std::nullopt;
  return took.count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The HTML file and Chromium's JSON, one after the other in each iteration, so that both
// meet the file system in the same state: how fast it creates files depends on what it
// did in the minutes before.
void BM_ImportHtmlAndJson(benchmark::State& state) {
  const kv::Bookmark tree = big_tree();
  const std::string html = kv::write_html_bookmarks(tree);
  const std::string json = chromium_file(tree);
  std::vector<double> html_s;
  std::vector<double> json_s;
  for (auto _ : state) {
    const std::optional<double> from_html = timed_import(html, true);
    const std::optional<double> from_json = timed_import(json, false);
    if (!from_html || !from_json) {
      state.SkipWithError("the import did not bring in every bookmark");
      break;
    }
    html_s.push_back(*from_html);
    json_s.push_back(*from_json);
    state.SetIterationTime(*from_html + *from_json);
  }
  if (html_s.empty()) return;
  state.counters["bookmarks"] = kLinks;
  state.counters["html_ms"] = 1000 * median(html_s);
  state.counters["json_ms"] = 1000 * median(json_s);
  state.counters["json_per_html"] = median(json_s) / median(html_s);
}
BENCHMARK(BM_ImportHtmlAndJson)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

// The files' reading alone, without the favourites folder's writing.
void BM_ReadHtml(benchmark::State& state) {
  const std::string html = kv::write_html_bookmarks(big_tree());
  for (auto _ : state) benchmark::DoNotOptimize(kv::read_html_bookmarks(html));
}
BENCHMARK(BM_ReadHtml)->Unit(benchmark::kMillisecond);

void BM_ReadChromiumJson(benchmark::State& state) {
  const std::string json = chromium_file(big_tree());
  for (auto _ : state) benchmark::DoNotOptimize(kv::read_chromium_bookmarks(json));
}
BENCHMARK(BM_ReadChromiumJson)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const std::string& folder : imported_folders()) std::filesystem::remove_all(folder);
  return 0;
}
