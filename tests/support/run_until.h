#pragma once

#include <chrono>
#include <functional>

namespace kv::test {

// Spins the main loop until `done` holds or `timeout` passes; returns whether it held.
bool run_until(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Lets everything that is pending now run (idle handlers, redraws, queued signals).
void flush_events();

}  // namespace kv::test
