#include "support/loopback_engine.h"

#include <webkit2/webkit2.h>

#include <memory>

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
  const std::unique_ptr<WebKitNetworkProxySettings, void (*)(WebKitNetworkProxySettings*)> settings(
      webkit_network_proxy_settings_new(proxy.c_str(), direct), webkit_network_proxy_settings_free);
  WebKitWebsiteDataManager* data =
      webkit_web_context_get_website_data_manager(shared_web_context());
  webkit_website_data_manager_set_network_proxy_settings(data, WEBKIT_NETWORK_PROXY_MODE_CUSTOM,
                                                         settings.get());
}

}  // namespace kv::test
