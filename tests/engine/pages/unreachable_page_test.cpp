#include "engine/pages/unreachable_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/glib_handles.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/loopback_engine.h"
#include "support/run_until.h"

namespace kv {
namespace {

using namespace std::chrono_literals;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// An address on 127.0.0.1 where nothing listens now (a server was there a moment ago).
std::string closed_address(const std::string& path, unsigned* port = nullptr) {
  const test::LocalServer gone;
  if (port != nullptr) *port = gone.port();
  return gone.url(path);
}

// A SOCKS5 proxy on 127.0.0.1 that answers every name with "host unreachable", as a real
// one does for a name it cannot find. While it lives the engine reaches every host but
// 127.0.0.1 through it, so no name lookup leaves this machine.
class NameFailingProxy {
 public:
  NameFailingProxy() {
    const auto port =
        g_socket_listener_add_any_inet_port(G_SOCKET_LISTENER(service_.get()), nullptr, nullptr);
    g_signal_connect(service_.get(), "incoming", G_CALLBACK(&NameFailingProxy::answer), this);
    test::route_engine_through("socks5://127.0.0.1:" + std::to_string(port));
  }
  ~NameFailingProxy() { test::keep_engine_on_loopback(); }
  NameFailingProxy(const NameFailingProxy&) = delete;
  NameFailingProxy& operator=(const NameFailingProxy&) = delete;
  NameFailingProxy(NameFailingProxy&&) = delete;
  NameFailingProxy& operator=(NameFailingProxy&&) = delete;

  std::vector<std::string> names;  // asked for, in order

 private:
  // The client sends its greeting and its request each at once, so each comes in one read.
  static gboolean answer(GSocketService* /*service*/, GSocketConnection* connection,
                         GObject* /*source*/, gpointer self) {
    g_socket_set_timeout(g_socket_connection_get_socket(connection), 5);
    GInputStream* in = g_io_stream_get_input_stream(G_IO_STREAM(connection));
    GOutputStream* out = g_io_stream_get_output_stream(G_IO_STREAM(connection));
    static const guint8 no_authentication[] = {5, 0};
    static const guint8 host_unreachable[] = {5, 4, 0, 1, 0, 0, 0, 0, 0, 0};
    guint8 got[300] = {};
    if (g_input_stream_read(in, got, sizeof got, nullptr, nullptr) < 2) return TRUE;
    g_output_stream_write_all(out, no_authentication, 2, nullptr, nullptr, nullptr);
    // Version, command, reserved, address type 3 (a name), its length, the name, the port.
    const gssize size = g_input_stream_read(in, got, sizeof got, nullptr, nullptr);
    if (size < 5 || got[3] != 3 || size < 5 + got[4]) return TRUE;
    static_cast<NameFailingProxy*>(self)->names.emplace_back(reinterpret_cast<const char*>(got + 5),
                                                             got[4]);
    g_output_stream_write_all(out, host_unreachable, sizeof host_unreachable, nullptr, nullptr,
                              nullptr);
    return TRUE;
  }

  ObjectRef<GSocketService> service_{g_socket_service_new()};
};

class Unreachable : public ::testing::Test {
 protected:
  // Waits for a page named `name` to complete after the `before`th committed load; the
  // failed load before a notice completes too, but commits nothing.
  bool notice_completes(const std::string& name, int before) {
    return test::run_until([&] {
      return log.count("NavigateComplete2") > before && log.name_at_complete == name &&
             log.entries.back().rfind("DocumentComplete", 0) == 0;
    });
  }
  bool open_failing(const std::string& url, const std::string& name) {
    const int before = log.count("NavigateComplete2");
    shown.browser->Navigate(url);
    return notice_completes(name, before);
  }
  bool loads_again() {
    const int before = log.count("DownloadBegin");
    return test::run_until([&] { return log.count("DownloadBegin") > before; }, 800ms);
  }
  std::string text() { return shown.eval("document.body.innerText"); }

  test::LocalServer plain;
  test::EngineWindow shown;
  test::EventLog log{*shown.browser};
};

TEST_F(Unreachable, ARefusedPortSaysSoUnderItsAddressAndTryAgainLoadsItOnceAServerListens) {
  plain.add_page("/work.html", "<title>Work</title>");
  unsigned port = 0;
  const std::string url = closed_address("/later.html", &port);
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, plain.url("/work.html")));
  ASSERT_TRUE(open_failing(url, "Cannot reach 127.0.0.1"));
  EXPECT_EQ(shown.browser->LocationURL(), url);
  EXPECT_EQ(shown.eval("location.protocol"), std::string(kNoticeScheme) + ":");
  EXPECT_TRUE(contains(text(), "127.0.0.1 refused the connection")) << text();
  // A refusal is the server's answer, not the network's: the network's return changes nothing.
  g_signal_emit_by_name(g_network_monitor_get_default(), "network-changed", TRUE);
  EXPECT_FALSE(loads_again());

  test::LocalServer later(nullptr, port);
  later.add_page("/later.html", "<title>Later</title>");
  shown.eval("[...document.links].find(a => a.textContent == 'Try again').click(); 0");
  ASSERT_TRUE(shown.wait_for_title("Later"));
  EXPECT_EQ(shown.browser->LocationURL(), url);
  EXPECT_EQ(later.requests("/later.html"), 1);
  shown.browser->GoBack();  // the notice took no place of its own in the history
  EXPECT_TRUE(shown.wait_for_title("Work"));
}

TEST_F(Unreachable, AHostThatDoesNotResolveIsNamedAndLoadedAgainOnceWhenTheNetworkIsBack) {
  const NameFailingProxy proxy;
  const std::string url = "http://no-such-host.invalid/page.html";
  ASSERT_TRUE(open_failing(url, "Cannot reach no-such-host.invalid"));
  EXPECT_TRUE(contains(text(), "no-such-host.invalid cannot be reached")) << text();
  ASSERT_FALSE(proxy.names.empty());
  EXPECT_EQ(proxy.names.back(), "no-such-host.invalid");
  const std::size_t asked = proxy.names.size();

  GNetworkMonitor* monitor = g_network_monitor_get_default();
  g_signal_emit_by_name(monitor, "network-changed", FALSE);
  EXPECT_FALSE(loads_again());
  // The network's return is often reported more than once; the page loads once.
  const int before = log.count("NavigateComplete2");
  g_signal_emit_by_name(monitor, "network-changed", TRUE);
  g_signal_emit_by_name(monitor, "network-changed", TRUE);
  ASSERT_TRUE(notice_completes("Cannot reach no-such-host.invalid", before));
  EXPECT_FALSE(loads_again());
  EXPECT_GT(proxy.names.size(), asked);
  EXPECT_EQ(shown.browser->LocationURL(), url);
}

TEST_F(Unreachable, AStoppedLoadOrAFailedFrameShowNoNoticeAndAPageCannotWriteIntoOne) {
  const std::string closed = closed_address("/");
  plain.add_page("/hostile.html", "<title>Hostile</title><iframe src=\"" + closed +
                                      "\"></iframe><a id=go href=\"" + closed +
                                      "&quot;&gt;&lt;img src=x&gt;?a=&#39;&lt;b&gt;\">x</a>");
  plain.add_page("/slow.html", "<title>Slow</title>", "text/html", 3s);
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, plain.url("/hostile.html")));
  const int began = log.count("DownloadBegin");
  shown.browser->Navigate(plain.url("/slow.html"));
  ASSERT_TRUE(test::run_until([&] { return log.count("DownloadBegin") > began; }));
  shown.browser->Stop();
  EXPECT_FALSE(test::run_until([&] { return log.count("DownloadBegin") > began + 1; }, 1s));
  EXPECT_EQ(shown.eval("document.title"), "Hostile");

  const int before = log.count("NavigateComplete2");
  shown.eval("document.getElementById('go').click(); 0");
  ASSERT_TRUE(notice_completes("Cannot reach 127.0.0.1", before));
  EXPECT_TRUE(contains(shown.browser->LocationURL(), "img")) << shown.browser->LocationURL();
  EXPECT_EQ(shown.eval("document.images.length + document.querySelectorAll('b').length"), "0");
  EXPECT_TRUE(contains(text(), shown.browser->LocationURL())) << text();
}

TEST(UnreachableText, NamesAnUnknownHostFromTheErrorsDomainAndEscapesTheRawText) {
  const OwnedError unknown(g_error_new_literal(G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND, ""));
  EXPECT_EQ(classify_load_failure(unknown.get()), LoadFailure::kNoSuchHost);
  const std::string html = notice_html(
      unreachable_notice("http://h/", "h", LoadFailure::kNoSuchHost, "<script>x</script>"), "t");
  EXPECT_TRUE(contains(html, "No computer named h could be found"));
  EXPECT_FALSE(contains(html, "<script>"));
  EXPECT_TRUE(contains(html, "&lt;script&gt;x&lt;/script&gt;"));
}

}  // namespace
}  // namespace kv
