#include "support/busy_cores.h"

#include <sys/wait.h>

#include <csignal>

namespace kv::test {

BusyCores::BusyCores() {
  const unsigned cores = g_get_num_processors();
  for (unsigned i = 0; i < cores; ++i) {
    const gchar* argv[] = {"yes", nullptr};
    GPid pid = 0;
    if (g_spawn_async(nullptr, const_cast<gchar**>(argv), nullptr,
                      static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                               G_SPAWN_STDOUT_TO_DEV_NULL),
                      nullptr, nullptr, &pid, nullptr) != FALSE) {
      children_.push_back(pid);
    }
  }
}

BusyCores::~BusyCores() {
  for (GPid pid : children_) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    g_spawn_close_pid(pid);
  }
}

}  // namespace kv::test
