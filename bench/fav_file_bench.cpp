// Loading fav.Dat into the favourites window's List1 and saving it back, for lists of
// 100,000 and 1,000,000 entries, and closing the window with 200,000 entries.
// Run on a display: xvfb-run -a bench/fav_file_bench. Closing is meant to be measured
// while the accessibility bridge listens: bench/a11y_session bench/fav_file_bench.
#include <atk/atk.h>
#include <benchmark/benchmark.h>
#include <gio/gio.h>
#include <glib.h>
#include <gtkmm/main.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "desktop/gtk_desktop_services.h"
#include "favorites/fav_window.h"
#include "favorites/favorites_host.h"
#include "favorites/frm_fav.h"
#include "favorites/module1.h"

namespace {

void flush_events() {
  while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
}

// Lets the main loop run for `seconds`, so that the accessibility bridge is done talking.
void settle(double seconds) {
  const gint64 end = g_get_monotonic_time() + static_cast<gint64>(seconds * G_USEC_PER_SEC);
  while (g_get_monotonic_time() < end) {
    flush_events();
    g_usleep(10'000);
  }
  flush_events();
}

// Whether an accessibility bus is there for the bridge to talk on.
bool accessibility_bus_up() {
  GDBusConnection* session = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (session == nullptr) return false;
  GVariant* reply = g_dbus_connection_call_sync(session, "org.a11y.Bus", "/org/a11y/bus",
                                                "org.a11y.Bus", "GetAddress", nullptr, nullptr,
                                                G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
  if (reply != nullptr) g_variant_unref(reply);
  g_object_unref(session);
  return reply != nullptr;
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

// The program object as far as the favourites window needs one; an unloaded window goes
// at once.
class BenchHost : public kv::FavoritesHost {
 public:
  explicit BenchHost(std::string file) : file_(std::move(file)) {}
  kv::frmFav* favorites_window() override { return fav_.get(); }
  kv::frmFav& create_favorites_window() override {
    fav_ = std::make_unique<kv::frmFav>();
    return *fav_;
  }
  void unload_favorites_window() override {
    fav_->hide();
    fav_.reset();
  }
  kv::Form1* first_main_window() override { return nullptr; }
  kv::Form1& open_first_main_window() override { throw std::logic_error("no main window"); }
  kv::DesktopServices& services() override { return services_; }
  [[nodiscard]] std::string favorites_file() const override { return file_; }

 private:
  std::string file_;
  kv::GtkDesktopServices services_;
  std::unique_ptr<kv::frmFav> fav_;
};

// Into a freshly shown window, drawn afterwards.
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

// Add to Favorites with the window not loaded, Show Favorites, a screen reader reading the
// list, then the time from a click on Close (which saves) until the window is gone.
void BM_CloseWithAccessibility(benchmark::State& state) {
  const bool bridge = accessibility_bus_up();
  state.SetLabel(bridge ? "accessibility bridge listening" : "no accessibility bus");
  const std::string source = fav_file(state.range(0));
  const std::string path = source + ".closing";
  const auto expected_size =
      std::filesystem::file_size(source) + std::string("www.added.test\r\n").size();
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::copy_file(source, path, std::filesystem::copy_options::overwrite_existing);
    BenchHost host(path);
    kv::frmFav& window = kv::load_favorites_window(host);
    window.items().add_item("www.added.test");
    window.changed = true;
    kv::show_favorites(host);
    window.List1.grab_focus();
    AtkObject* list = window.List1.get_accessible()->gobj();
    // What a screen reader asks of a table: its size and the cells in view.
    atk_object_get_n_accessible_children(list);
    for (int child = 1; child < 20; ++child) {
      AtkObject* cell = atk_object_ref_accessible_child(list, child);
      if (cell != nullptr) g_object_unref(cell);
    }
    settle(0.5);
    state.ResumeTiming();
    window.cmdClose.clicked();
    flush_events();
    state.PauseTiming();
    if (host.favorites_window() != nullptr || std::filesystem::file_size(path) != expected_size) {
      state.SkipWithError("the window did not close with the list saved");
    }
    settle(0.2);
    state.ResumeTiming();
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_CloseWithAccessibility)
    ->Arg(200'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  Gtk::Main kit(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
