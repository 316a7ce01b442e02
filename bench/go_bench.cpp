// Go with a long address list: the address list is the combo's own list and nothing ever
// removes an entry, so a window that has been used for a long time holds many. One Go is
// Navigate + enable Back + append to the list.
#include <benchmark/benchmark.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/drawingarea.h>
#include <gtkmm/main.h>
#include <gtkmm/stylecontext.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

#include "browser/form1.h"
#include "browser/navigation.h"
#include "desktop/gtk_desktop_services.h"
#include "desktop/program_style.h"
#include "engine/control/web_browser.h"

namespace {

// A browser control that does nothing, so that only the window's own work is measured.
class NullWebBrowser : public kv::WebBrowser {
 public:
  Gtk::Widget& widget() override { return area_; }
  void Navigate(const Glib::ustring& url) override { benchmark::DoNotOptimize(url.bytes()); }
  void Navigate2(const std::vector<std::uint8_t>&) override {}
  void GoBack() override {}
  void GoForward() override {}
  void GoHome() override {}
  void Stop() override {}
  void Refresh() override {}
  [[nodiscard]] std::vector<std::uint8_t> SessionState() const override { return {}; }
  bool RestoreSessionState(const std::vector<std::uint8_t>&) override { return false; }
  void ShowRestoreNotice(kv::RestoreOffer) override {}
  void SetDesignMode(const Glib::ustring&) override {}
  [[nodiscard]] Glib::ustring LocationURL() const override { return {}; }
  [[nodiscard]] Glib::ustring LocationName() const override { return {}; }
  void ShowDeveloperTools() override {}
  [[nodiscard]] bool Busy() const override { return false; }
  [[nodiscard]] std::int32_t TextSize() const override { return 2; }
  void SetFocus() override {}
  void SetVisible(bool visible) override { area_.set_visible(visible); }
  [[nodiscard]] bool Visible() const override { return area_.get_visible(); }

 protected:
  void exec_wb(std::int32_t, std::int32_t, std::optional<kv::ExecArg>,
               std::optional<kv::ExecArg>) override {}

 private:
  Gtk::DrawingArea area_;
};

void flush_events() {
  while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A shown main window whose address list holds `entries` entries, or nullptr when filling
// it is so slow that the full count would take longer than `budget` seconds (the GTK 3
// combo in menu mode updates a row reference per item on every insert: quadratic).
std::unique_ptr<kv::Form1> shown_form_with_entries(benchmark::State& state, int entries,
                                                   double budget) {
  auto form = std::make_unique<kv::Form1>(std::make_unique<NullWebBrowser>(),
                                          std::make_unique<NullWebBrowser>());
  form->show();
  flush_events();
  const auto start = std::chrono::steady_clock::now();
  const int probe = std::min(entries, 5000);
  for (int i = 0; i < entries; ++i) {
    form->cboURL.append("www.example" + std::to_string(i) + ".test/some/page.html");
    if (i + 1 == probe && probe < entries) {
      const double spent = seconds_since(start);
      // Quadratic growth from the probe: (entries / probe)^2.
      const double projected =
          spent * (static_cast<double>(entries) / probe) * (static_cast<double>(entries) / probe);
      if (projected > budget) {
        state.SkipWithError(("filling the list is quadratic: " + std::to_string(probe) +
                             " entries took " + std::to_string(spent) + " s, " +
                             std::to_string(entries) + " would take about " +
                             std::to_string(static_cast<int>(projected)) + " s")
                                .c_str());
        return nullptr;
      }
    }
  }
  flush_events();
  state.counters["fill_s"] = seconds_since(start);
  return form;
}

// One Go in a shown window, with the events it causes (relayout, redraw) run to the end,
// as a user pressing Enter would wait for them. The entry Go appends is taken out again
// outside the timing, so the list keeps its size.
void run_go(benchmark::State& state) {
  kv::GtkDesktopServices services;
  const int entries = static_cast<int>(state.range(0));
  auto form = shown_form_with_entries(state, entries, 120.0);
  if (!form) return;
  kv::attach_navigation(*form, services);
  for (auto _ : state) {
    form->cboURL_entry().set_text("www.typed.test/path");
    kv::go(*form);
    flush_events();
    state.PauseTiming();
    form->cboURL.remove_text(entries);
    flush_events();
    state.ResumeTiming();
  }
}

// In the program's own style, where the address list drops down as a list.
void BM_Go(benchmark::State& state) {
  run_go(state);
}
BENCHMARK(BM_Go)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Gtk::Main kit(argc, argv);
  kv::install_program_style();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
