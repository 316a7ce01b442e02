// Loading fav.Dat into the favourites window's List1 and saving it back, for lists of
// 100,000 and 1,000,000 entries. Run on a display: xvfb-run -a bench/fav_file_bench
#include <benchmark/benchmark.h>
#include <glib.h>
#include <gtkmm/main.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "favorites/frm_fav.h"
#include "favorites/module1.h"

namespace {

void flush_events() {
  while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
}

// A fav.Dat of `count` addresses of ordinary length, made once per size.
std::string fav_file(std::int64_t count) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("kv-fav-bench-" + std::to_string(count) + ".Dat"))
          .string();
  if (!std::filesystem::exists(path)) {
    std::ofstream out(path, std::ios::binary);
    for (std::int64_t i = 0; i < count; ++i) {
      out << "http://www.site" << i << ".example.test/page/" << (i % 1000) << "\r\n";
    }
  }
  return path;
}

std::unique_ptr<kv::frmFav> shown_window() {
  auto window = std::make_unique<kv::frmFav>();
  window->show();
  flush_events();
  return window;
}

// Into a freshly shown window, as the window loads, drawn afterwards.
void BM_LoadIntoList1(benchmark::State& state) {
  const std::string path = fav_file(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto window = shown_window();
    state.ResumeTiming();
    const auto read = kv::Module1::LoadListFromFile(window->items(), path, true);
    flush_events();
    state.PauseTiming();
    if (read != kv::Module1::FileRead::kRead ||
        window->items().count() != static_cast<std::size_t>(state.range(0))) {
      state.SkipWithError("the file did not load whole");
    }
    window.reset();
    flush_events();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadIntoList1)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// From a shown window's List1 to disk, flushed and renamed over the old file.
void BM_SaveFromList1(benchmark::State& state) {
  const std::string source = fav_file(state.range(0));
  const std::string target = source + ".saved";
  auto window = shown_window();
  kv::Module1::LoadListFromFile(window->items(), source, true);
  flush_events();
  for (auto _ : state) {
    if (!kv::Module1::SaveListToFile(window->items(), target)) {
      state.SkipWithError("the save failed");
    }
  }
  if (std::filesystem::file_size(target) != std::filesystem::file_size(source)) {
    state.SkipWithError("the saved file differs in size");
  }
  std::filesystem::remove(target);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SaveFromList1)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  Gtk::Main kit(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
