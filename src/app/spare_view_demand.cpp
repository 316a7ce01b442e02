#include "app/spare_view_demand.h"

#include <memory>
#include <utility>

#include "app/program.h"
#include "browser/form1.h"
#include "desktop/guarded.h"

namespace kv {

SpareViewDemand::SpareViewDemand(Program& program, std::function<void()> keep)
    : program_(program), keep_(std::move(keep)) {
  program_.window_made.connect([this](Form1& form) { on_window_made(form); });
}

void SpareViewDemand::started_for_links(Form1& first) {
  keep_once_loaded(first);
}

void SpareViewDemand::on_window_made(Form1& form) {
  if (kept_ || form.wWeb.IsPrivate()) return;
  // The new window is not shown yet; one shown beside it makes two.
  for (std::size_t i = 0; i < program_.main_window_count(); ++i) {
    Form1& other = program_.main_window(i);
    if (&other != &form && other.get_visible() && !other.wWeb.IsPrivate()) {
      keep_once_loaded(form);
      return;
    }
  }
}

// Starting a web process takes a core for a moment: not while the window's own page loads.
void SpareViewDemand::keep_once_loaded(Form1& form) {
  auto once = std::make_shared<sigc::connection>();
  *once = form.wWeb.DocumentComplete.connect([this, once](const Glib::ustring&) {
    once->disconnect();
    if (kept_) return;
    kept_ = true;
    guarded([&] { keep_(); });
  });
}

}  // namespace kv
