#pragma once

namespace kv {

// A page may have this many windows opened for it without the user asking (a click or a
// key press in the page) before it loads again. A page that asks on a timer, one request
// at a time, would otherwise keep opening windows, each taking the focus, for as long as
// it stays open.
inline constexpr int kUnaskedWindowsPerPage = 5;

// The windows that the control's current page has had opened without the user asking.
class WindowRequestQuota {
 public:
  // Whether a request may be put to the window's handler at all.
  [[nodiscard]] bool may_ask(bool user_gesture) const {
    return user_gesture || unasked_windows_ < kUnaskedWindowsPerPage;
  }
  // The handler made a window for a request (shown on the page or on its own start page).
  void window_opened(bool user_gesture) {
    if (!user_gesture) ++unasked_windows_;
  }
  // Another page in the control starts afresh.
  void page_loaded() { unasked_windows_ = 0; }

 private:
  int unasked_windows_ = 0;
};

}  // namespace kv
