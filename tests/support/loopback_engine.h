#pragma once

#include <string>

namespace kv::test {

// Sends every request of the engine's contexts (the private windows' too) for a host
// other than this machine to a local server that answers 404, so that start pages and
// home pages of the program never make the engine look up or reach a host outside
// 127.0.0.1 during tests.
void keep_engine_on_loopback();

// Sends those requests to `proxy` ("http://..." or "socks5://...") instead, until the next
// call of either.
void route_engine_through(const std::string& proxy);

}  // namespace kv::test
