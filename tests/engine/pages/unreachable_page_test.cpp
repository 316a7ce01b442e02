#include "engine/pages/unreachable_page.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "desktop/glib_handles.h"
#include "engine/control/web_engine.h"
#include "engine/pages/notice_scheme.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/loopback_engine.h"
#include "support/run_until.h"

namespace kv {
namespace {

using namespace std::chrono_literals;
using test::EngineWindow;
using test::LocalServer;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A port on 127.0.0.1 where nothing listens (a server was there a moment ago).
unsigned closed_port() {
  const LocalServer gone;
  return gone.port();
}

std::string on_port(unsigned port, const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(port) + path;
}

// A SOCKS5 proxy on 127.0.0.1 that, like a real one, answers a name it cannot find with
// "host unreachable". While it lives the engine reaches every other host through it, so
// a name that does not resolve fails without a lookup leaving this machine.
class NameFailingProxy {
 public:
  NameFailingProxy() : service_(g_threaded_socket_service_new(2)) {
    port_ =
        g_socket_listener_add_any_inet_port(G_SOCKET_LISTENER(service_.get()), nullptr, nullptr);
    g_signal_connect(service_.get(), "run", G_CALLBACK(&NameFailingProxy::answer), this);
    g_socket_service_start(G_SOCKET_SERVICE(service_.get()));
    route_engine("socks5://127.0.0.1:" + std::to_string(port_));
  }
  ~NameFailingProxy() {
    test::keep_engine_on_loopback();
    g_socket_service_stop(G_SOCKET_SERVICE(service_.get()));
    g_socket_listener_close(G_SOCKET_LISTENER(service_.get()));
  }
  NameFailingProxy(const NameFailingProxy&) = delete;
  NameFailingProxy& operator=(const NameFailingProxy&) = delete;
  NameFailingProxy(NameFailingProxy&&) = delete;
  NameFailingProxy& operator=(NameFailingProxy&&) = delete;

  [[nodiscard]] int asked() const { return asked_; }
  [[nodiscard]] std::string last_name() const {
    const std::lock_guard lock(mutex_);
    return last_name_;
  }

 private:
  static void route_engine(const std::string& proxy) {
    const char* const direct[] = {"127.0.0.1", "localhost", "::1", nullptr};
    const std::unique_ptr<WebKitNetworkProxySettings, void (*)(WebKitNetworkProxySettings*)>
        settings(webkit_network_proxy_settings_new(proxy.c_str(), direct),
                 webkit_network_proxy_settings_free);
    webkit_website_data_manager_set_network_proxy_settings(
        webkit_web_context_get_website_data_manager(shared_web_context()),
        WEBKIT_NETWORK_PROXY_MODE_CUSTOM, settings.get());
  }

  static bool read(GInputStream* in, guint8* into, gsize size) {
    gsize got = 0;
    return g_input_stream_read_all(in, into, size, &got, nullptr, nullptr) != FALSE && got == size;
  }

  // Runs on the service's own thread, one connection at a time per thread.
  static gboolean answer(GThreadedSocketService* /*service*/, GSocketConnection* connection,
                         GObject* /*source*/, gpointer self) {
    GInputStream* in = g_io_stream_get_input_stream(G_IO_STREAM(connection));
    GOutputStream* out = g_io_stream_get_output_stream(G_IO_STREAM(connection));
    guint8 buffer[300] = {};
    // Greeting: version, method count, methods; we take "no authentication".
    if (!read(in, buffer, 2) || !read(in, buffer + 2, buffer[1])) return TRUE;
    const guint8 no_authentication[] = {5, 0};
    g_output_stream_write_all(out, no_authentication, 2, nullptr, nullptr, nullptr);
    // Request: version, command, reserved, address type 3 (a name), its length, name, port.
    if (!read(in, buffer, 5) || buffer[3] != 3 || !read(in, buffer + 5, buffer[4] + 2U)) {
      return TRUE;
    }
    auto* proxy = static_cast<NameFailingProxy*>(self);
    {
      const std::lock_guard lock(proxy->mutex_);
      proxy->last_name_.assign(reinterpret_cast<const char*>(buffer + 5), buffer[4]);
    }
    ++proxy->asked_;
    const guint8 host_unreachable[] = {5, 4, 0, 1, 0, 0, 0, 0, 0, 0};
    g_output_stream_write_all(out, host_unreachable, sizeof host_unreachable, nullptr, nullptr,
                              nullptr);
    return TRUE;
  }

  ObjectRef<GSocketService> service_;
  guint16 port_ = 0;
  std::atomic<int> asked_{0};
  mutable std::mutex mutex_;
  std::string last_name_;
};

class Unreachable : public ::testing::Test {
 protected:
  Unreachable() { plain.add_page("/work.html", "<title>Work</title>Work"); }

  // Waits for a load after the `before`th DocumentComplete that showed a page named
  // `name`; the failed load before a notice completes too, without showing anything.
  bool notice_completes(const std::string& name, int before) {
    return test::run_until([&] {
      if (log.count("DocumentComplete") <= before || log.name_at_complete != name) return false;
      const auto& events = log.entries;
      const auto began = std::find(events.rbegin(), events.rend(), "DownloadBegin");
      return events.back().rfind("DocumentComplete", 0) == 0 &&
             std::any_of(events.rbegin(), began,
                         [](const std::string& e) { return e.rfind("NavigateComplete2", 0) == 0; });
    });
  }
  bool open_failing(const std::string& url, const std::string& name) {
    const int before = log.count("DocumentComplete");
    shown.browser->Navigate(url);
    return notice_completes(name, before);
  }
  bool click_link(const std::string& text) {
    return shown.eval("(() => { const a = [...document.links].find(l => l.textContent === '" +
                      text + "'); if (a) a.click(); return !!a; })()") == "true";
  }
  // Whether the control starts another load within a while.
  bool loads_again(std::chrono::milliseconds within = 800ms) {
    const int before = log.count("DownloadBegin");
    return test::run_until([&] { return log.count("DownloadBegin") > before; }, within);
  }
  std::string text() { return shown.eval("document.body.innerText"); }

  LocalServer plain;
  EngineWindow shown;
  test::EventLog log{*shown.browser};
};

TEST_F(Unreachable, ARefusedPortSaysSoUnderItsAddressAndTryAgainLoadsItOnceAServerListens) {
  const unsigned port = closed_port();
  const std::string url = on_port(port, "/later.html");
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, plain.url("/work.html")));
  ASSERT_TRUE(open_failing(url, "Cannot reach 127.0.0.1"));
  EXPECT_EQ(shown.browser->LocationURL(), url);
  EXPECT_EQ(log.url_at_complete, url);
  EXPECT_EQ(shown.eval("location.protocol"), std::string(kNoticeScheme) + ":");
  EXPECT_TRUE(contains(text(), "could not be reached")) << text();
  EXPECT_TRUE(contains(text(), "127.0.0.1 refused the connection")) << text();

  // Refused is the server's answer, not the network's: its return changes nothing.
  g_signal_emit_by_name(g_network_monitor_get_default(), "network-changed", TRUE);
  EXPECT_FALSE(loads_again());
  // Refresh tries the address again, and meets the same refusal.
  const int before = log.count("DocumentComplete");
  shown.browser->Refresh();
  ASSERT_TRUE(notice_completes("Cannot reach 127.0.0.1", before));

  LocalServer later(nullptr, port);
  later.add_page("/later.html", "<title>Later</title>Later");
  ASSERT_TRUE(click_link("Try again"));
  ASSERT_TRUE(shown.wait_for_title("Later"));
  EXPECT_EQ(shown.browser->LocationURL(), url);
  EXPECT_EQ(later.requests("/later.html"), 1);
  // The notice took no place of its own in the history.
  shown.browser->GoBack();
  EXPECT_TRUE(shown.wait_for_title("Work"));
}

TEST_F(Unreachable, AHostThatDoesNotResolveIsNamedAndLoadedAgainOnceWhenTheNetworkIsBack) {
  const NameFailingProxy proxy;
  const std::string url = "http://no-such-host.invalid/page.html";
  ASSERT_TRUE(open_failing(url, "Cannot reach no-such-host.invalid"));
  EXPECT_EQ(shown.browser->LocationURL(), url);
  EXPECT_TRUE(contains(text(), "no-such-host.invalid cannot be reached")) << text();
  EXPECT_TRUE(contains(text(), "when the network comes back")) << text();
  EXPECT_EQ(proxy.last_name(), "no-such-host.invalid");
  const int asked = proxy.asked();

  GNetworkMonitor* monitor = g_network_monitor_get_default();
  g_signal_emit_by_name(monitor, "network-changed", FALSE);
  EXPECT_FALSE(loads_again());
  // The network's return is often reported more than once; the page loads once.
  const int before = log.count("DocumentComplete");
  g_signal_emit_by_name(monitor, "network-changed", TRUE);
  g_signal_emit_by_name(monitor, "network-changed", TRUE);
  ASSERT_TRUE(notice_completes("Cannot reach no-such-host.invalid", before));
  EXPECT_FALSE(loads_again());
  EXPECT_GT(proxy.asked(), asked);
  EXPECT_EQ(shown.browser->LocationURL(), url);
}

TEST_F(Unreachable, AStoppedLoadAndAFailedFrameShowNoNotice) {
  const unsigned port = closed_port();
  plain.add_page("/framed.html",
                 "<title>Framed</title><iframe src=\"" + on_port(port, "/") + "\"></iframe>");
  plain.add_page("/slow.html", "<title>Slow</title>", "text/html", 3s);
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, plain.url("/framed.html")));
  EXPECT_EQ(shown.eval("document.title"), "Framed");

  const int began = log.count("DownloadBegin");
  shown.browser->Navigate(plain.url("/slow.html"));
  ASSERT_TRUE(test::run_until([&] { return log.count("DownloadBegin") > began; }));
  shown.browser->Stop();
  ASSERT_TRUE(test::wait_complete(log, log.count("DocumentComplete") - 1));
  EXPECT_FALSE(loads_again());
  EXPECT_NE(shown.eval("location.protocol"), std::string(kNoticeScheme) + ":");
  EXPECT_EQ(shown.eval("document.title"), "Framed");
}

TEST_F(Unreachable, APageCannotWriteIntoTheNoticeOfAnAddressItFailsAt) {
  const std::string odd = on_port(closed_port(), "/");
  plain.add_page("/hostile.html",
                 "<title>Hostile</title><a id=go href=\"" + odd +
                     "&quot;&gt;&lt;img src=x onerror=alert(1)&gt;?a=&#39;&lt;b&gt;&#39;\">x</a>");
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, plain.url("/hostile.html")));
  const int before = log.count("DocumentComplete");
  shown.eval("document.getElementById('go').click(); 0");
  ASSERT_TRUE(notice_completes("Cannot reach 127.0.0.1", before));
  EXPECT_TRUE(contains(shown.browser->LocationURL(), "img")) << shown.browser->LocationURL();
  EXPECT_EQ(shown.eval("document.images.length + document.querySelectorAll('b').length"), "0");
  EXPECT_TRUE(contains(text(), shown.browser->LocationURL())) << text();
}

TEST(UnreachableText, TheReasonComesFromTheErrorsDomainAndCodeAndTheRawTextIsEscaped) {
  const auto failure = [](GQuark domain, int code) {
    const OwnedError error(g_error_new_literal(domain, code, "whatever"));
    return classify_load_failure(error.get());
  };
  EXPECT_EQ(failure(G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND), LoadFailure::kNoSuchHost);
  EXPECT_EQ(failure(G_RESOLVER_ERROR, G_RESOLVER_ERROR_TEMPORARY_FAILURE),
            LoadFailure::kNetworkDown);
  EXPECT_EQ(failure(G_IO_ERROR, G_IO_ERROR_TIMED_OUT), LoadFailure::kTimedOut);
  EXPECT_EQ(failure(G_IO_ERROR, G_IO_ERROR_CONNECTION_CLOSED), LoadFailure::kConnectionLost);
  EXPECT_EQ(failure(G_IO_ERROR, G_IO_ERROR_NETWORK_UNREACHABLE), LoadFailure::kNetworkDown);
  EXPECT_EQ(failure(WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_UNKNOWN_PROTOCOL),
            LoadFailure::kBadAddress);
  EXPECT_EQ(failure(WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_CANNOT_USE_RESTRICTED_PORT),
            LoadFailure::kBadAddress);
  EXPECT_EQ(failure(g_quark_from_static_string("some-other-quark"), G_IO_ERROR_TIMED_OUT),
            LoadFailure::kOther);
  EXPECT_TRUE(is_network_failure(LoadFailure::kNoSuchHost));
  EXPECT_FALSE(is_network_failure(LoadFailure::kRefused));
  EXPECT_TRUE(contains(load_failure_text(LoadFailure::kNoSuchHost, "x.invalid"), "x.invalid"));

  for (const auto& [domain, code] : {std::pair{WEBKIT_NETWORK_ERROR, 302},
                                     {WEBKIT_POLICY_ERROR, 102},
                                     {WEBKIT_PLUGIN_ERROR, 204},
                                     {G_IO_ERROR, static_cast<int>(G_IO_ERROR_CANCELLED)}}) {
    const OwnedError stopped(g_error_new_literal(domain, code, "stopped"));
    EXPECT_FALSE(failure_deserves_notice(stopped.get())) << code;
  }

  const std::string html = notice_html(
      unreachable_notice("http://h/", "h", LoadFailure::kRefused, "<script>x</script>"), "t");
  EXPECT_FALSE(contains(html, "<script>"));
  EXPECT_TRUE(contains(html, "&lt;script&gt;x&lt;/script&gt;"));
}

}  // namespace
}  // namespace kv
