#include "support/run_until.h"

#include <glib.h>

namespace kv::test {

bool run_until(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  // A short timer keeps the loop from blocking forever when nothing else is pending.
  const guint wakeup = g_timeout_add(
      10, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  bool held = done();
  while (!held && std::chrono::steady_clock::now() < deadline) {
    g_main_context_iteration(nullptr, TRUE);
    held = done();
  }
  g_source_remove(wakeup);
  return held;
}

void flush_events() {
  while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
}

}  // namespace kv::test
