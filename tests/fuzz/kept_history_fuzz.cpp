// The engine's history as a session file may bring it back: whatever the bytes, what is
// kept is small enough, and keeping it again changes nothing.
#include <cstdint>
#include <span>

#include "engine/control/kept_history.h"
#include "fuzz_support.h"

using kv::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const auto kept = kv::kept_history(bytes);
  if (kept.empty()) return 0;
  require(kept.size() <= kv::kLargestKeptHistory, "a kept history over the cap");
  require(kv::kept_history(kept) == kept, "keeping a kept history changed it");
  const auto small = kv::kept_history(bytes, kept.size() / 2);
  require(small.size() <= kept.size() / 2, "a smaller cap was not kept");
  return 0;
}
