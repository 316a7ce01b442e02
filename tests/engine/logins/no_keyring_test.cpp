// Without a Secret Service on the session bus: signing in works as before, the question
// bar says once that passwords cannot be kept, and nothing is kept anywhere.
#include "login_fixture.h"

namespace kv {
namespace {

using namespace std::chrono_literals;

TEST(NoKeyring, SignInWorksTheBarSaysSoOnceAndNothingIsKept) {
  test::LocalServer server;
  add_login_pages(server);
  test::EngineWindow window;
  for (int round = 1; round <= 2; ++round) {
    ASSERT_TRUE(window.load_uri(server.url("/login.html")));
    sign_in(window, "ann");
    ASSERT_TRUE(window.wait_for_title("Signed in"));
    EXPECT_EQ(server.requests("POST /signin"), round);
    EXPECT_EQ(server.last_body("POST /signin"), "user=ann&pass=Kv+s3cret%2Fpw%2B1");
    if (round == 1) {
      ASSERT_TRUE(test::run_until([&] { return !password_bars(window.window).empty(); }));
      auto* text = named_in<Gtk::Label>(*password_bars(window.window)[0], "lblQuestion");
      ASSERT_NE(text, nullptr);
      EXPECT_NE(text->get_text().raw().find("cannot be kept without a keyring"), std::string::npos);
      named_in<Gtk::Button>(*password_bars(window.window)[0], "cmdNotNow")->clicked();
    } else {
      test::run_until([] { return false; }, 1s);
    }
    EXPECT_TRUE(password_bars(window.window).empty()) << round;
  }
  // Nothing to offer, and nothing breaks.
  ASSERT_TRUE(window.load_uri(server.url("/login.html")));
  click_element(window, "user");
  EXPECT_FALSE(test::run_until([] { return shown_account_list() != nullptr; }, 1s));
  EXPECT_EQ(files_holding_password(g_get_home_dir()), std::vector<std::string>{});
}

}  // namespace
}  // namespace kv
