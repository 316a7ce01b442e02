#include "browser/popup_blocker.h"

#include <deque>
#include <memory>

#include "browser/form1.h"
#include "browser/program_host.h"
#include "desktop/guarded.h"

namespace kv {
namespace {

void toggle(Gtk::Button& button) {
  // The caption is the blocker's state.
  const bool disabled = button.get_label() == kPopupsDisabled;
  button.set_label(disabled ? kPopupsEnabled : kPopupsDisabled);
}

// When this window's page last had new windows opened for it, within the burst period.
// A window counts from when it has been opened, not from the request: on a slow machine
// opening one can itself take most of a period, and a loop would get a window each time.
class BurstLimit {
 public:
  explicit BurstLimit(MonotonicClock clock) : clock_(std::move(clock)) {}

  bool allows_another() {
    const auto now = clock_();
    while (!opened_.empty() && now - opened_.front() >= kNewWindowBurstPeriod) {
      opened_.pop_front();
    }
    return opened_.size() < static_cast<std::size_t>(kNewWindowBurst);
  }

  void count_opened() { opened_.push_back(clock_()); }

 private:
  MonotonicClock clock_;
  std::deque<std::chrono::steady_clock::time_point> opened_;
};

void on_new_window(Form1& form, ProgramHost& host, BurstLimit& limit, WebBrowser*& target,
                   bool& cancel) {
  if (!limit.allows_another()) {
    cancel = true;
    return;
  }
  Form1* opened = nullptr;
  guarded([&] { opened = &host.load_main_window(&form.wWeb); });
  limit.count_opened();
  guarded([&] {
    if (opened != nullptr) target = &opened->wWeb;
  });
  guarded([&] {
    if (opened != nullptr) opened->show();
  });
  // The requesting window's button decides, never the new window's.
  guarded([&] {
    if (form.cmdPopups.get_label() == kPopupsDisabled && !form.Popup) cancel = true;
  });
}

}  // namespace

void attach_popup_blocker(Form1& form, ProgramHost& host, MonotonicClock clock) {
  form.cmdPopups.signal_clicked().connect([&form] { guarded([&] { toggle(form.cmdPopups); }); });
  auto limit = std::make_shared<BurstLimit>(std::move(clock));
  form.wWeb.NewWindow2.connect([&form, &host, limit](WebBrowser*& target, bool& cancel) {
    on_new_window(form, host, *limit, target, cancel);
  });
}

}  // namespace kv
