#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kv {

// Past this a window's kept history holds only each page's address and title, so that
// pages with huge history states cannot make every session write large.
inline constexpr std::size_t kLargestKeptHistory = 256 * 1024;

// The engine's serialized history (its session state) without what a user put into its
// pages: no form field values and no posted form bodies. An entry reached by a posted
// form keeps its address, so that going there loads it again by GET, never posting the
// form a second time. Over `largest` bytes only addresses, titles and scroll positions
// stay. Empty when even that is too large, or when the bytes are not a history of the
// engine's format this knows; any bytes are safe.
std::vector<std::uint8_t> kept_history(std::span<const std::uint8_t> engine_state,
                                       std::size_t largest = kLargestKeptHistory);

}  // namespace kv
