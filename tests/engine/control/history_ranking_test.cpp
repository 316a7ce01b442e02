// What pages can do to the address box's suggestions, on the real engine and the
// program's history store: a page that reloads itself, and titles that turn around or
// read like another address.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/control/webkit_browser.h"
#include "shell/history_store.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/run_until.h"

namespace kv {
namespace {

using namespace std::chrono_literals;

constexpr int kSelfReloads = 40;

std::vector<Suggestion> suggested(const std::string& typed) {
  return browsing_history().suggestions(parse_typed(typed), kSuggestionRows);
}

bool has_direction_controls(const std::string& text) {
  for (const char* mark : {"\u202A", "\u202B", "\u202C", "\u202D", "\u202E", "\u2066", "\u2067",
                           "\u2068", "\u2069", "\u200E", "\u200F"}) {
    if (text.find(mark) != std::string::npos) return true;
  }
  return false;
}

class HostilePageHistory : public ::testing::Test {
 protected:
  void SetUp() override {
    browsing_history().clear();
    server.add_page("/bank-login.html", "<title>Bank login</title>");
    server.add_page("/news.html",
                    "<title>News</title><a href='/promo.html' style='display:block;"
                    "height:300px'>Offers</a>");
    // Named as the bank's page, it goes to itself again and again until the server says
    // enough; each time it comes, it is the page's own doing.
    server.add_page("/promo.html", "<title>" + server.url("/bank-login") +
                                       "</title><script>fetch('/again').then(r => r.text())"
                                       ".then(t => { if (t == 'yes') location.href = "
                                       "location.href })</script>");
    server.add_page("/rtl.html", "<title>\u202Elmth.nigol/knab</title>Turned around");
  }

  test::LocalServer server;
  test::EngineWindow window;
  test::EventLog log{*window.browser};
};

TEST_F(HostilePageHistory, APageReloadingItselfNeverRanksAboveTheAddressTheUserTyped) {
  // The user types the bank's address, later follows a link to the offers.
  ASSERT_TRUE(test::navigate_and_wait(*window.browser, log, server.url("/bank-login.html")));
  ASSERT_TRUE(test::navigate_and_wait(*window.browser, log, server.url("/news.html")));
  int served = 0;
  server.add_page("/again", "yes");
  const int before = log.count("DocumentComplete");
  test::click(*window.browser, 20, 20);
  ASSERT_TRUE(test::run_until(
      [&] {
        // The link's load and forty of its own; the last one asks and is told to stop.
        served = server.requests("/promo.html");
        if (served > kSelfReloads) server.add_page("/again", "no");
        return served > kSelfReloads && server.requests("/again") == served &&
               log.count("DocumentComplete") >= before + served;
      },
      60s))
      << served << " loads of the offers";

  const auto rows = suggested("bank");
  ASSERT_GE(rows.size(), 2U);
  EXPECT_EQ(rows[0].address, server.url("/bank-login.html"));
  EXPECT_EQ(rows[1].address, server.url("/promo.html"));
  // The user's own choice does count: typed now, the offers come first.
  ASSERT_TRUE(test::navigate_and_wait(*window.browser, log, server.url("/promo.html")));
  EXPECT_EQ(suggested("bank")[0].address, server.url("/promo.html"));
}

TEST_F(HostilePageHistory, ATitleThatTurnsItselfAroundIsKeptAndShownWithoutItsControls) {
  ASSERT_TRUE(test::navigate_and_wait(*window.browser, log, server.url("/rtl.html")));
  ASSERT_TRUE(test::run_until([&] { return log.name_at_complete == "lmth.nigol/knab"; }))
      << log.name_at_complete;
  EXPECT_EQ(window.browser->LocationName().raw(), "lmth.nigol/knab");
  for (const std::string& entry : log.entries) {
    EXPECT_FALSE(has_direction_controls(entry)) << entry;
  }
  // The visit may be named just after the load.
  std::vector<Suggestion> rows;
  ASSERT_TRUE(test::run_until([&] { return (rows = suggested("nigol")).size() == 1; }));
  EXPECT_EQ(rows[0].title, "lmth.nigol/knab");
}

}  // namespace
}  // namespace kv
