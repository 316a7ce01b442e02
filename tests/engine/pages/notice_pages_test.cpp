#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "desktop/deliberate_press.h"
#include "engine/control/webkit_browser.h"
#include "engine/pages/certificate_page.h"
#include "engine/pages/crash_page.h"
#include "engine/pages/notice_scheme.h"
#include "engine/pages/restore_page.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/test_certificate.h"
#include "support/widget_events.h"

namespace kv {
namespace {

using test::EngineWindow;
using test::LocalServer;

std::string page(const std::string& title) {
  return "<title>" + title + "</title>" + title;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class Notices : public ::testing::Test {
 protected:
  Notices() {
    plain.add_page("/work.html", page("Work"));
    secure.add_page("/secure.html", page("Secure"));
    other_secure.add_page("/secure.html", page("Other"));
  }

  // Waits until the notice named `name` has completed, as the window would see it.
  bool notice_completes(const std::string& name, int before) {
    return test::run_until(
        [&] { return log.count("DocumentComplete") > before && log.name_at_complete == name; });
  }
  bool open_refused(const std::string& url) {
    const int before = log.count("DocumentComplete");
    shown.browser->Navigate(url);
    return notice_completes("Certificate error: 127.0.0.1", before);
  }
  // Clicks the shown page's link whose text begins with `text`.
  bool click_link(const std::string& text) {
    return shown.eval(
               "(() => { const a = [...document.links].find(l => l.textContent"
               ".startsWith('" +
               text + "')); if (a) a.click(); return !!a; })()") == "true";
  }
  std::string text() { return shown.eval("document.body.innerText"); }
  // Clicks, with the pointer, the link whose text begins with `text`; false when not shown.
  bool click_link_by_pointer(const std::string& text) {
    const std::string at = shown.eval(
        "(() => { const a = [...document.links].find(l => l.textContent.startsWith('" + text +
        "')); if (!a) return ''; const r = a.getBoundingClientRect();"
        " return (r.left + r.width / 2) + ' ' + (r.top + r.height / 2); })()");
    double x = 0;
    double y = 0;
    if (std::sscanf(at.c_str(), "%lf %lf", &x, &y) != 2) return false;
    test::click(*shown.browser, x, y);
    return true;
  }
  // Waits until a click on the notice shown now would count as the user's own.
  void wait_until_deliberate() {
    const gint64 armed = g_get_monotonic_time() + kDeliberateInViewMicros;
    test::run_until([&] { return g_get_monotonic_time() > armed; }, std::chrono::seconds(3));
  }

  test::TestCertificate certificate{"127.0.0.1"};
  test::TestCertificate other_certificate{"other.example"};
  LocalServer plain;
  LocalServer secure{certificate.get()};
  LocalServer other_secure{other_certificate.get()};
  EngineWindow shown;
  test::EventLog log{*shown.browser};
};

TEST_F(Notices, ACertificateNoticeNamesHostAndProblemsUnderTheFailedAddressOnALocalPage) {
  const std::string url = secure.url("/secure.html");
  ASSERT_TRUE(open_refused(url));
  EXPECT_EQ(shown.browser->LocationURL(), url);
  EXPECT_EQ(log.url_at_complete, url);
  EXPECT_EQ(shown.eval("location.protocol"), std::string(kNoticeScheme) + ":");
  EXPECT_TRUE(contains(text(), "security certificate of 127.0.0.1")) << text();
  EXPECT_TRUE(contains(text(), "not issued by an authority that this computer trusts"));
  EXPECT_FALSE(contains(text(), "different website"));
  EXPECT_EQ(secure.requests("/secure.html"), 0);
}

TEST_F(Notices, ContinueTrustsThatCertificateOnlyAndGoBackLeadsToThePageBefore) {
  const std::string url = secure.url("/secure.html");
  ASSERT_TRUE(open_refused(url));
  wait_until_deliberate();
  const int before = log.count("DocumentComplete");
  ASSERT_TRUE(click_link_by_pointer("Continue to this website (not recommended)"));
  // The whole load, so that the next one does not stop it half way.
  ASSERT_TRUE(test::run_until(
      [&] { return log.count("DocumentComplete") > before && log.name_at_complete == "Secure"; }));
  EXPECT_EQ(shown.browser->LocationURL(), url);

  // A certificate made for another name, on the same host, is not trusted with it.
  ASSERT_TRUE(open_refused(other_secure.url("/secure.html")));
  EXPECT_TRUE(contains(text(), "issued for a different website's address")) << text();
  EXPECT_EQ(other_secure.requests("/secure.html"), 0);
  ASSERT_TRUE(click_link("Go back"));
  ASSERT_TRUE(shown.wait_for_title("Secure"));
  EXPECT_EQ(shown.browser->LocationURL(), url);
}

// A page navigates on mouse-down so that the notice comes up under a double click.
TEST_F(Notices, ContinueIgnoresInputThatBeganAsTheNoticeCameUpAndScriptedClicks) {
  const std::string url = secure.url("/secure.html");
  plain.add_page("/trap.html",
                 "<button style='position:fixed; left:0; top:0; width:100%; height:100%'"
                 " onmousedown=\"location.href = '" +
                     url + "'\">Win a prize</button>");
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, plain.url("/trap.html")));
  const int before = log.count("DocumentComplete");
  test::click(*shown.browser, 200, 200);
  ASSERT_TRUE(notice_completes("Certificate error: 127.0.0.1", before));
  // The double click's second click, a key press and a script all land on Continue.
  ASSERT_TRUE(click_link_by_pointer("Continue to this website (not recommended)"));
  shown.eval("[...document.links].find(l => l.textContent.startsWith('Continue')).focus(); 0");
  test::press_key(shown.browser->widget(), GDK_KEY_Return);
  ASSERT_TRUE(click_link("Continue to this website (not recommended)"));
  // A click game goes on at Continue's spot well after the notice came up.
  for (int i = 0; i < 12; ++i) {
    test::run_until([] { return false; }, std::chrono::milliseconds(250));
    ASSERT_TRUE(click_link_by_pointer("Continue to this website (not recommended)"));
  }
  EXPECT_FALSE(test::run_until([&] { return secure.requests("/secure.html") > 0; },
                               std::chrono::milliseconds(1500)));
  EXPECT_EQ(shown.eval("location.protocol"), std::string(kNoticeScheme) + ":");
  EXPECT_TRUE(contains(text(), "security certificate of 127.0.0.1"));

  // A deliberate click after the notice has been up a while goes on.
  ASSERT_TRUE(click_link_by_pointer("Continue to this website (not recommended)"));
  ASSERT_TRUE(shown.wait_for_title("Secure"));
  EXPECT_EQ(secure.requests("/secure.html"), 1);
}

TEST_F(Notices, WebPagesCannotOpenTheProgramsNotices) {
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, plain.url("/work.html")));
  shown.eval("location.href = 'kv-notice://certificate/'");
  EXPECT_FALSE(
      test::run_until([&] { return shown.browser->LocationURL() != plain.url("/work.html"); },
                      std::chrono::milliseconds(1500)));
  EXPECT_EQ(shown.eval("document.title"), "Work");
}

TEST_F(Notices, AnEndedPageSaysWhyInItsOwnViewOnlyAndReloadBringsItBack) {
  EngineWindow other;
  ASSERT_TRUE(other.load_uri(plain.url("/work.html")));
  const std::string url = plain.url("/work.html");
  ASSERT_TRUE(test::navigate_and_wait(*shown.browser, log, url));
  log.clear();

  webkit_web_view_terminate_web_process(shown.view());
  ASSERT_TRUE(notice_completes("Page stopped working", 0));
  EXPECT_EQ(shown.browser->LocationURL(), url);
  EXPECT_EQ(log.url_at_complete, url);
  for (const char* event : {"DownloadBegin", "NavigateComplete2", "DownloadComplete"}) {
    EXPECT_EQ(log.count(event), 1) << event;
  }
  EXPECT_TRUE(contains(text(), url)) << text();
  EXPECT_TRUE(contains(text(), "The page was ended."));
  EXPECT_EQ(other.eval("document.title"), "Work");

  ASSERT_TRUE(click_link("Reload"));
  ASSERT_TRUE(shown.wait_for_title("Work"));
  EXPECT_EQ(plain.requests("/work.html"), 3);
  EXPECT_EQ(shown.browser->LocationURL(), url);
}

// A host as long as names get: the notice names all of it, its end too, within its width.
TEST_F(Notices, ALongHostIsNamedWholeWithinTheNoticesWidth) {
  const std::string host = "accounts.bank.example.com." + std::string(60, 'x') + "." +
                           std::string(60, 'y') + "." + std::string(60, 'z') + ".evil.example";
  const test::TestCertificate certificate("127.0.0.1");
  const Notice notice = certificate_notice("https://" + host + "/", host, certificate.get(),
                                           G_TLS_CERTIFICATE_UNKNOWN_CA, false);
  ASSERT_TRUE(shown.load_html(notice_html(notice, "t0k3n")));
  EXPECT_TRUE(contains(shown.eval("document.querySelector('h1').innerText"), host));
  EXPECT_EQ(shown.eval("document.documentElement.scrollWidth <= innerWidth &&"
                       " [...document.querySelectorAll('main *')].every("
                       "   e => e.scrollWidth <= e.clientWidth)"),
            "true");
}

TEST(NoticeText, AddressesAreEscapedAndEveryReasonAndProblemIsWorded) {
  const std::string odd = "http://127.0.0.1/<script>alert(1)</script>?a=\"b\"&c='d'";
  const std::string html = notice_html(crash_notice(odd, WEBKIT_WEB_PROCESS_CRASHED), "t0k3n");
  EXPECT_FALSE(contains(html, "<script>"));
  EXPECT_TRUE(
      contains(html, "&lt;script&gt;alert(1)&lt;/script&gt;?a=&quot;b&quot;&amp;c=&#39;d&#39;"));
  EXPECT_TRUE(contains(html, "href=\"" + std::string(kNoticeScheme) + "://crash/t0k3n/0\""));
  EXPECT_TRUE(contains(termination_reason_text(WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT),
                       "too much memory"));

  const auto problems = certificate_problems(
      static_cast<GTlsCertificateFlags>(G_TLS_CERTIFICATE_EXPIRED | G_TLS_CERTIFICATE_REVOKED));
  EXPECT_EQ(problems,
            (std::vector<std::string>{"It has expired.", "It has been revoked by its issuer."}));
  EXPECT_EQ(certificate_problems(static_cast<GTlsCertificateFlags>(0)).size(), 1U);
}

// A session file from before holds titles as the pages gave them.
TEST(RestoreNotice, NamesAWindowByItsTitleWithoutWhatTurnsItAround) {
  EXPECT_EQ(restore_entry_text({"\u202Elmth.nigol/knab", "http://a.test/"}),
            "lmth.nigol/knab \u2014 http://a.test/");
  EXPECT_EQ(restore_entry_text({"\u200F\u2066", "http://a.test/"}), "http://a.test/");
}

}  // namespace
}  // namespace kv
