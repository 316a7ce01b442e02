#pragma once

#include <utility>

namespace kv {

// Runs one step of a handler. A step that fails is dropped and the handler goes on
// with its next step, so nothing a step throws may escape into the toolkit.
template <typename Step>
void guarded(Step&& step) noexcept {
  try {
    std::forward<Step>(step)();
  } catch (...) {  // NOLINT(bugprone-empty-catch): dropping the failed step is the intent
  }
}

}  // namespace kv
