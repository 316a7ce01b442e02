// Importing other browsers' bookmarks: 50,000 bookmarks in 2,000 folders, read from an
// HTML bookmarks file and from Chromium's JSON, and written into an empty favourites
// folder. The target is at most 5 s for the whole import.
#include <benchmark/benchmark.h>
#include <glib.h>

#include <filesystem>
#include <string>

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

void import_each_time(benchmark::State& state, const std::string& text, bool html) {
  for (auto _ : state) {
    state.PauseTiming();
    const std::string folder = kv::take_string(g_dir_make_tmp("kv-import-bench-XXXXXX", nullptr));
    state.ResumeTiming();
    const kv::BookmarkRead read =
        html ? kv::read_html_bookmarks(text) : kv::read_chromium_bookmarks(text);
    const kv::ImportSummary summary = kv::import_bookmarks(read.root, folder, "Bench", "today");
    state.PauseTiming();
    if (summary.imported != kLinks || summary.folders < 2000) {
      state.SkipWithError("the import did not bring in every bookmark");
    }
    std::filesystem::remove_all(folder);
    state.ResumeTiming();
  }
  state.counters["bookmarks"] = kLinks;
}

void BM_ImportHtml(benchmark::State& state) {
  import_each_time(state, kv::write_html_bookmarks(big_tree()), true);
}
BENCHMARK(BM_ImportHtml)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_ImportChromiumJson(benchmark::State& state) {
  const std::string json = "{\"roots\":{\"bookmark_bar\":" + chromium_json(big_tree()) + "}}";
  import_each_time(state, json, false);
}
BENCHMARK(BM_ImportChromiumJson)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
