#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/certificate_page.h"
#include "engine/crash_page.h"
#include "engine/folder_scheme.h"
#include "engine/notice_scheme.h"
#include "engine/webkit_browser.h"
#include "shell/history_store.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/test_certificate.h"

namespace kv {
namespace {

using test::EngineWindow;
using test::EventLog;
using test::LocalServer;
using test::TestCertificate;

std::string page(const std::string& title) {
  return "<html><head><title>" + title + "</title></head><body>" + title + "</body></html>";
}

int visits_of(const std::string& address) {
  const auto reading =
      read_history(browsing_history().path(), HistoryStore::Clock::now(), kMaxHistoryVisits);
  int visits = 0;
  for (const auto& day : reading.days) {
    visits += static_cast<int>(std::count_if(day.entries.begin(), day.entries.end(),
                                             [&](const auto& e) { return e.address == address; }));
  }
  return visits;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Clicks the shown page's link whose text begins with `text`; false when there is none.
bool click_link(EngineWindow& shown, const std::string& text) {
  return shown.eval("(() => { const a = [...document.links].find(l => l.textContent.startsWith('" +
                    text + "')); if (!a) return 'none'; a.click(); return 'clicked'; })()") ==
         "clicked";
}

class CertificateNotice : public ::testing::Test {
 protected:
  CertificateNotice() {
    server.add_page("/secure.html", page("Secure page"));
    other_server.add_page("/secure.html", page("Other secure page"));
  }

  // Navigates to a page refused for its certificate and waits for the notice to complete.
  bool open_refused(const std::string& url) {
    const int before = log.count("DocumentComplete");
    shown.browser->Navigate(url);
    return test::run_until([&] {
      return log.count("DocumentComplete") > before &&
             contains(log.name_at_complete, "Certificate error");
    });
  }

  TestCertificate certificate{"127.0.0.1"};
  TestCertificate other_certificate{"other.example"};
  LocalServer server{certificate.get()};
  LocalServer other_server{other_certificate.get()};
  EngineWindow shown;
  EventLog log{*shown.browser};
};

TEST_F(CertificateNotice, NamesHostAndProblemsOnALocalPageUnderTheFailedAddress) {
  const std::string url = server.url("/secure.html");
  ASSERT_TRUE(open_refused(url));

  EXPECT_EQ(shown.browser->LocationURL(), url);
  EXPECT_EQ(log.url_at_complete, url);
  EXPECT_EQ(log.name_at_complete, "Certificate error: 127.0.0.1");
  EXPECT_EQ(shown.eval("location.protocol"), std::string(kNoticeScheme) + ":");
  const std::string text = shown.eval("document.body.innerText");
  EXPECT_TRUE(contains(text, "security certificate of 127.0.0.1")) << text;
  EXPECT_TRUE(contains(text, "not issued by an authority that this computer trusts")) << text;
  EXPECT_FALSE(contains(text, "different website")) << text;
  EXPECT_TRUE(contains(text, "Continue to this website (not recommended)")) << text;
  EXPECT_EQ(server.requests("/secure.html"), 0);
  // Neither the refused page nor the notice counts as a visit.
  EXPECT_EQ(visits_of(url), 0);
}

TEST_F(CertificateNotice, ContinueTrustsThatCertificateOnlyAndLoadsTheAddress) {
  const std::string url = server.url("/secure.html");
  ASSERT_TRUE(open_refused(url));
  ASSERT_TRUE(click_link(shown, "Continue"));
  ASSERT_TRUE(shown.wait_for_title("Secure page"));
  EXPECT_EQ(shown.browser->LocationURL(), url);
  EXPECT_EQ(server.requests("/secure.html"), 1);
  EXPECT_EQ(visits_of(url), 1);

  // A certificate made for another name, on the same host, is not trusted with it.
  const std::string other_url = other_server.url("/secure.html");
  ASSERT_TRUE(open_refused(other_url));
  const std::string text = shown.eval("document.body.innerText");
  EXPECT_TRUE(contains(text, "issued for a different website's address")) << text;
  EXPECT_EQ(other_server.requests("/secure.html"), 0);
  EXPECT_EQ(visits_of(other_url), 0);
  EXPECT_EQ(visits_of(url), 1);

  // Going back to the trusted page needs no second consent.
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, url));
  EXPECT_EQ(log.name_at_complete, "Secure page");
}

TEST_F(CertificateNotice, GoBackLeadsToThePageShownBefore) {
  LocalServer plain;
  plain.add_page("/plain.html", page("Plain"));
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, plain.url("/plain.html")));
  ASSERT_TRUE(open_refused(server.url("/secure.html")));
  ASSERT_TRUE(click_link(shown, "Go back"));
  ASSERT_TRUE(shown.wait_for_title("Plain"));
  EXPECT_EQ(shown.browser->LocationURL(), plain.url("/plain.html"));
}

TEST_F(CertificateNotice, WebPagesCannotOpenTheProgramsNotices) {
  LocalServer plain;
  plain.add_page("/plain.html", page("Plain"));
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, plain.url("/plain.html")));
  shown.eval("location.href = 'kv-notice://certificate/'");
  EXPECT_FALSE(
      test::run_until([&] { return shown.browser->LocationURL() != plain.url("/plain.html"); },
                      std::chrono::milliseconds(1500)));
  EXPECT_EQ(shown.eval("document.title"), "Plain");
}

class CrashNotice : public ::testing::Test {
 protected:
  CrashNotice() {
    server.add_page("/work.html", page("Work in progress"));
    server.add_page("/other.html", page("Other window"));
  }

  bool end_web_process() {
    const int before = log.count("DocumentComplete");
    webkit_web_view_terminate_web_process(shown.view());
    return test::run_until([&] {
      return log.count("DocumentComplete") > before &&
             log.name_at_complete == "Page stopped working";
    });
  }

  LocalServer server;
  EngineWindow shown;
  EventLog log{*shown.browser};
};

TEST_F(CrashNotice, SaysWhyUnderTheAddressAndRaisesTheLoadEvents) {
  EngineWindow other;
  ASSERT_TRUE(other.load_uri(server.url("/other.html")));
  const std::string url = server.url("/work.html");
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, url));
  log.clear();

  ASSERT_TRUE(end_web_process());
  EXPECT_EQ(shown.browser->LocationURL(), url);
  EXPECT_EQ(log.url_at_complete, url);
  for (const char* event : {"DownloadBegin", "NavigateComplete2", "DownloadComplete"}) {
    EXPECT_EQ(log.count(event), 1) << event;
  }
  const std::string text = shown.eval("document.body.innerText");
  EXPECT_TRUE(contains(text, url)) << text;
  EXPECT_TRUE(contains(text, "The page was ended.")) << text;
  EXPECT_TRUE(contains(text, "Reload")) << text;

  // The other window keeps its page, and its page still answers.
  EXPECT_EQ(other.eval("document.title"), "Other window");
  EXPECT_EQ(webkit_web_view_get_uri(other.view()), server.url("/other.html"));
}

TEST_F(CrashNotice, RefreshAndTheReloadLinkLoadTheAddressThatStopped) {
  const std::string url = server.url("/work.html");
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, url));

  ASSERT_TRUE(end_web_process());
  shown.browser->Refresh();
  ASSERT_TRUE(shown.wait_for_title("Work in progress"));
  EXPECT_EQ(server.requests("/work.html"), 2);

  ASSERT_TRUE(end_web_process());
  ASSERT_TRUE(click_link(shown, "Reload"));
  ASSERT_TRUE(shown.wait_for_title("Work in progress"));
  EXPECT_EQ(server.requests("/work.html"), 3);
  EXPECT_EQ(shown.browser->LocationURL(), url);
}

TEST(NoticeText, AddressesAndHostsAreEscapedAndEveryReasonAndProblemIsWorded) {
  const std::string odd = "http://127.0.0.1/<script>alert(1)</script>?a=\"b\"&c='d'";
  const std::string html = notice_html(crash_notice(odd, WEBKIT_WEB_PROCESS_CRASHED), "t0k3n");
  EXPECT_FALSE(contains(html, "<script>"));
  EXPECT_TRUE(
      contains(html, "&lt;script&gt;alert(1)&lt;/script&gt;?a=&quot;b&quot;&amp;c=&#39;d&#39;"));
  EXPECT_TRUE(contains(html, "href=\"" + std::string(kNoticeScheme) + "://crash/t0k3n/0\""));

  EXPECT_NE(termination_reason_text(WEBKIT_WEB_PROCESS_CRASHED),
            termination_reason_text(WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT));
  EXPECT_TRUE(contains(termination_reason_text(WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT),
                       "too much memory"));

  const auto problems = certificate_problems(
      static_cast<GTlsCertificateFlags>(G_TLS_CERTIFICATE_EXPIRED | G_TLS_CERTIFICATE_REVOKED));
  ASSERT_EQ(problems.size(), 2U);
  EXPECT_EQ(problems[0], "It has expired.");
  EXPECT_EQ(certificate_problems(static_cast<GTlsCertificateFlags>(0)).size(), 1U);
}

}  // namespace
}  // namespace kv
