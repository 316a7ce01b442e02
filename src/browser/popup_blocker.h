#pragma once

#include <chrono>
#include <functional>

namespace kv {

class Form1;
class ProgramHost;

inline constexpr const char* kPopupsDisabled = "Pop-ups Disabled";
inline constexpr const char* kPopupsEnabled = "Pop-ups Enabled";

// A page may ask for this many new windows within one second; further requests in that
// second are cancelled without a window, so a page that asks in a loop cannot open
// windows until the machine runs out of memory.
inline constexpr int kNewWindowBurst = 2;
inline constexpr std::chrono::milliseconds kNewWindowBurstPeriod{1000};

using MonotonicClock = std::function<std::chrono::steady_clock::time_point()>;

// The pop-up button of one main window and its answer to the page's requests for new
// windows: each request opens a new main window, which shows the requested page or
// stays on its start page, as the requesting window's button says.
void attach_popup_blocker(Form1& form, ProgramHost& host,
                          MonotonicClock clock = std::chrono::steady_clock::now);

}  // namespace kv
