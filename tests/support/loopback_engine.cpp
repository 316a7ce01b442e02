#include "support/loopback_engine.h"

#include <webkit2/webkit2.h>

#include "engine/control/webkit_browser.h"
#include "support/local_server.h"

namespace kv::test {

void keep_engine_on_loopback() {
  // Lives for the whole run, like the engine context it serves.
  static auto* sink = new LocalServer();  // NOLINT(cppcoreguidelines-owning-memory)
  route_engine_through("http://127.0.0.1:" + std::to_string(sink->port()));
}

void route_engine_through(const std::string& proxy) {
  const char* const direct[] = {"127.0.0.1", "localhost", "::1", nullptr};
  use_network_proxy(proxy.c_str(), direct);
}

}  // namespace kv::test
