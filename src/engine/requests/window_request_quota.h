#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <utility>

namespace kv {

// A window's pages may have this many windows opened for them without the user asking (a
// click or a key press in the page) in any one period. Counted per window over time, not
// per page: a page that asks on a timer and reloads itself would otherwise start afresh
// with every load and keep opening windows, each taking the focus.
inline constexpr int kUnaskedWindowsPerPeriod = 5;
inline constexpr std::chrono::seconds kUnaskedWindowPeriod{60};

// The windows opened without the user asking for the pages of one control.
class WindowRequestQuota {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  explicit WindowRequestQuota(Clock clock = [] { return std::chrono::steady_clock::now(); })
      : clock_(std::move(clock)) {}

  // Whether a request may be put to the window's handler at all.
  [[nodiscard]] bool may_ask(bool user_gesture) {
    if (user_gesture) return true;
    forget_old();
    return static_cast<int>(unasked_.size()) < kUnaskedWindowsPerPeriod;
  }
  // The handler made a window for a request (shown on the page or on its own start page).
  void window_opened(bool user_gesture) {
    if (user_gesture) return;
    forget_old();
    unasked_.push_back(clock_());
  }

 private:
  void forget_old() {
    const auto now = clock_();
    while (!unasked_.empty() && now - unasked_.front() >= kUnaskedWindowPeriod) {
      unasked_.pop_front();
    }
  }

  Clock clock_;
  std::deque<std::chrono::steady_clock::time_point> unasked_;  // oldest first
};

}  // namespace kv
