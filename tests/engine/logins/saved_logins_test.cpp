// Passwords saved in the test's own keyring, offered and filled on the real engine, and
// kept out of every file of the profile.
#include <gtkmm/listboxrow.h>
#include <sys/wait.h>

#include <csignal>
#include <optional>
#include <vector>

#include "app/options/internet_options_window.h"
#include "desktop/internet_settings.h"
#include "desktop/login_store.h"
#include "desktop/user_paths.h"
#include "engine/profile/site_permissions.h"
#include "keyring_fixture.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

using namespace std::chrono_literals;

class SavedLogins : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(keyring().ready());
    add_login_pages(server);
    origin = "http://127.0.0.1:" + std::to_string(server.port());
  }

  test::LocalServer server;
  std::string origin;
};

TEST_F(SavedLogins, SavedThenPickedInANewControlAndOfferedNowhereElse) {
  {
    test::EngineWindow first;
    ASSERT_TRUE(first.load_uri(server.url("/login.html")));
    sign_in(first, "ann");
    ASSERT_TRUE(test::run_until([&] { return !password_bars(first.window).empty(); }));
    auto* question = named_in<Gtk::Label>(*password_bars(first.window)[0], "lblQuestion");
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(question->get_text(),
              "Save the password for 127.0.0.1:" + std::to_string(server.port()) + "?");
    // The question can come before the server has read the request.
    EXPECT_TRUE(test::run_until([&] { return server.requests("POST /signin") > 0; }));
    EXPECT_EQ(server.requests("POST /signin"), 1);
    named_in<Gtk::Button>(*password_bars(first.window)[0], "cmdSavePassword")->clicked();
    ASSERT_TRUE(test::run_until(
        [&] { return kept_for(origin).value_or(std::vector<SavedLogin>{}).size() == 1; }));
    EXPECT_EQ(kept_for(origin)->at(0).user, "ann");
  }
  {
    // A private window keeps nothing of what is typed into it: it asks nothing.
    test::EngineWindow hidden(true);
    ASSERT_TRUE(hidden.load_uri(server.url("/login.html")));
    sign_in(hidden, "carol");
    ASSERT_TRUE(hidden.wait_for_title("Signed in"));
    test::run_until([] { return false; }, 1s);
    EXPECT_TRUE(password_bars(hidden.window).empty());
    EXPECT_EQ(kept_for(origin).value_or(std::vector<SavedLogin>{}).size(), 1U);
  }

  test::EngineWindow window;
  ASSERT_TRUE(window.load_uri(server.url("/login.html")));
  const int seen = server.requests("POST /seen");
  // The page sees nothing of the account, also once the user has clicked elsewhere.
  click_element(window, "user");
  ASSERT_TRUE(list_comes_up());
  auto* rows = named_in<Gtk::ListBox>(*shown_account_list(), "lstAccounts");
  ASSERT_NE(rows, nullptr);
  ASSERT_EQ(rows->get_children().size(), 1U);
  EXPECT_STREQ(atk_object_get_name(rows->get_row_at_index(0)->get_accessible()->gobj()), "ann");
  test::click(*window.browser, 400, 300);
  ASSERT_TRUE(test::run_until([] { return shown_account_list() == nullptr; }));
  test::run_until([] { return false; }, 500ms);
  EXPECT_EQ(server.requests("POST /seen"), seen);
  EXPECT_EQ(window.eval("user.value + pass.value"), "");

  // Down and Enter pick it, once the list can be read; the form then posts it.
  click_element(window, "pass");
  ASSERT_TRUE(list_comes_up());
  wait_until_list_readable();
  test::press_key(window.window, GDK_KEY_Down);
  test::press_key(window.window, GDK_KEY_Return);
  ASSERT_TRUE(test::run_until([&] { return server.requests("POST /seen") > seen; }));
  EXPECT_EQ(server.last_body("POST /seen"), std::string("ann:") + kPassword);
  window.eval("go.click(); 0");
  ASSERT_TRUE(window.wait_for_title("Signed in"));
  EXPECT_EQ(server.last_body("POST /signin"), "user=ann&pass=Kv+s3cret%2Fpw%2B1");
  // The same password again: nothing to ask.
  test::run_until([] { return false; }, 500ms);
  EXPECT_TRUE(password_bars(window.window).empty());

  // A changed password asks to update it; "Never for This Site" is kept for the site.
  const std::string host = "127.0.0.1:" + std::to_string(server.port());
  ASSERT_TRUE(window.load_uri(server.url("/login.html")));
  window.eval("user.value = 'ann'; pass.value = 'changed'; go.click(); 0");
  ASSERT_TRUE(window.wait_for_title("Signed in"));
  ASSERT_TRUE(test::run_until([&] { return !password_bars(window.window).empty(); }));
  EXPECT_EQ(named_in<Gtk::Label>(*password_bars(window.window)[0], "lblQuestion")->get_text(),
            "Update the password for ann on " + host + "?");
  named_in<Gtk::Button>(*password_bars(window.window)[0], "cmdNotNow")->clicked();
  ASSERT_TRUE(window.load_uri(server.url("/login.html")));
  sign_in(window, "carl");
  ASSERT_TRUE(window.wait_for_title("Signed in"));
  ASSERT_TRUE(test::run_until([&] { return !password_bars(window.window).empty(); }));
  named_in<Gtk::Button>(*password_bars(window.window)[0], "cmdNeverSavePassword")->clicked();
  EXPECT_EQ(SitePermissions().decision(origin, SitePermission::kSavePasswords), false);
  ASSERT_TRUE(window.load_uri(server.url("/login.html")));
  sign_in(window, "dave");
  ASSERT_TRUE(window.wait_for_title("Signed in"));
  test::run_until([] { return false; }, 1s);
  EXPECT_TRUE(password_bars(window.window).empty());
  EXPECT_EQ(kept_for(origin).value_or(std::vector<SavedLogin>{}).size(), 1U);

  // Another host name for the same server, another port (whose host and port have an
  // account for https only), and a frame of another origin (which has an account of its
  // own) on the saved page's origin: nothing is offered.
  const std::string other_host = "http://localhost:" + std::to_string(server.port());
  test::LocalServer other_port;
  add_login_pages(other_port);
  const std::string secure = "https://127.0.0.1:" + std::to_string(other_port.port());
  ASSERT_TRUE(keep({secure, secure, "ann"}));
  server.add_page("/framed.html",
                  "<title>Framed</title><iframe id=f style='width:400px;height:300px' src='" +
                      other_host + "/login.html'></iframe>");
  for (const std::string& page : {other_host + "/login.html", other_port.url("/login.html")}) {
    ASSERT_TRUE(window.load_uri(page));
    click_element(window, "user");
    EXPECT_FALSE(list_comes_up()) << page;
  }
  ASSERT_TRUE(keep({other_host, other_host, "bob"}));
  const int frames_before = server.requests("/login.html");
  ASSERT_TRUE(window.load_uri(server.url("/framed.html")));
  ASSERT_TRUE(test::run_until([&] { return server.requests("/login.html") > frames_before; }));
  test::run_until([] { return false; }, 500ms);
  const double frame_x = std::stod(window.eval("f.getBoundingClientRect().left"));
  const double frame_y = std::stod(window.eval("f.getBoundingClientRect().top"));
  test::click(*window.browser, frame_x + 120, frame_y + 30);
  EXPECT_FALSE(list_comes_up());
  // The page's own world has no way to the program's messages.
  EXPECT_EQ(window.eval("typeof (window.webkit && webkit.messageHandlers && "
                        "webkit.messageHandlers.kvLogins)"),
            "undefined");

  // Of all this, the profile kept nothing of the password.
  EXPECT_EQ(files_holding_password(g_get_home_dir()), std::vector<std::string>{});
}

// A click on the user name field as soon as the page has loaded offers the account, also
// while the page's own scripts keep it busy for a moment after its load, as many sign-in
// pages do.
TEST_F(SavedLogins, TheFirstClickRightAfterTheLoadOffersTheAccount) {
  ASSERT_TRUE(keep({origin, origin, "ann"}));
  server.add_page("/busy.html", login_page() +
                                    "<script>addEventListener('load', () => setTimeout(() => {"
                                    " const end = Date.now() + 1500; while (Date.now() < end); "
                                    "}, 0));</script>");
  for (const char* page : {"/login.html", "/busy.html"}) {
    SCOPED_TRACE(page);
    test::EngineWindow window;
    ASSERT_TRUE(window.load_uri(server.url(page)));
    // In the user name field as login_page() places it, without asking the page first.
    test::click(*window.browser, 120, 30);
    EXPECT_TRUE(test::run_until([] { return shown_account_list() != nullptr; }, 5s));
  }
}

// Internet Options lists what is kept and takes it away, and browsers that run follow it.
TEST_F(SavedLogins, InternetOptionsListsRemovesAndTurnsTheOfferOff) {
  bool emptied = false;
  desktop_login_store().remove({}, [&](bool) { emptied = true; });
  ASSERT_TRUE(test::run_until([&] { return emptied; }));
  ASSERT_TRUE(keep({origin, origin, "ann"}));
  ASSERT_TRUE(keep({origin, origin, "bob"}));
  std::filesystem::remove(site_permissions_path());
  const SitePermissions permissions;
  ASSERT_TRUE(permissions.remember("https://never.example", SitePermission::kSavePasswords, false));
  InternetOptionsWindow options;
  options.show();
  options.tabSections.set_current_page(1);
  auto& section = options.passwords;
  const auto rows = [&] { return section.lstSavedPasswords.get_model()->children().size(); };
  ASSERT_TRUE(test::run_until([&] { return rows() == 3; }));
  // Rows by site and user name: bob is the second of 127.0.0.1's.
  section.lstSavedPasswords.get_selection()->select(Gtk::TreePath("1"));
  section.cmdRemovePassword.clicked();
  ASSERT_TRUE(test::run_until([&] { return rows() == 2; }));
  EXPECT_EQ(kept_for(origin).value_or(std::vector<SavedLogin>{}),
            (std::vector<SavedLogin>{{origin, origin, "ann"}}));
  section.cmdRemoveAllPasswords.clicked();
  ASSERT_TRUE(test::run_until([&] { return rows() == 1; }));  // the "Never" site stays
  EXPECT_TRUE(kept_for("").value_or(std::vector<SavedLogin>{{}}).empty());

  // Turned off, and applied: a browser that runs asks nothing after a sign-in.
  test::EngineWindow window;
  section.chkOfferToSave.set_active(false);
  options.cmdApply.clicked();
  EXPECT_FALSE(offer_to_save_passwords());
  ASSERT_TRUE(window.load_uri(server.url("/login.html")));
  sign_in(window, "ann");
  ASSERT_TRUE(window.wait_for_title("Signed in"));
  test::run_until([] { return false; }, 1s);
  EXPECT_TRUE(password_bars(window.window).empty());
  ASSERT_TRUE(save_offer_to_save_passwords(true));
}

// The built program, signed in, on a further page, then killed: nothing it left in its
// home folder holds the password.
TEST_F(SavedLogins, AfterASignInAFurtherPageAndSigkillNoFileHoldsThePassword) {
  const std::string password = kPassword;
  server.add_page("/auto.html", login_page() + "<script>user.value = 'ann'; pass.value = '" +
                                    password + "'; document.forms[0].requestSubmit();</script>");
  server.add_page("/signin",
                  "<title>Signed in</title><script>setTimeout(() => "
                  "location.href = '/further.html', 300);</script>");
  server.add_page("/further.html", "<title>Further</title>further");
  // The page itself holds the password, as no real page would: it is kept out of the cache.
  server.add_header("/auto.html", "Cache-Control", "no-store");
  test::TempDir home;
  // Any other address (the home page) goes to a server that answers nothing.
  test::LocalServer elsewhere;
  gchar** env = g_get_environ();
  for (const char* name : {"http_proxy", "https_proxy"}) {
    env = g_environ_setenv(env, name, elsewhere.url("").c_str(), TRUE);
  }
  env = g_environ_setenv(env, "no_proxy", "127.0.0.1,localhost", TRUE);
  env = g_environ_setenv(env, "HOME", home.path().c_str(), TRUE);
  for (const char* name :
       {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
    env = g_environ_setenv(env, name, home.file(name).c_str(), TRUE);
  }
  const std::string url = server.url("/auto.html");
  gchar* argv[] = {const_cast<gchar*>(KV_PROGRAM_PATH), const_cast<gchar*>(url.c_str()), nullptr};
  GPid pid = 0;
  const bool started = g_spawn_async(home.path().c_str(), argv, env, G_SPAWN_DO_NOT_REAP_CHILD,
                                     nullptr, nullptr, &pid, nullptr) != FALSE;
  g_strfreev(env);
  ASSERT_TRUE(started);
  const bool further = test::run_until([&] { return server.requests("/further.html") > 0; }, 60s);
  // The session file names the further page once it has been written.
  const std::string session = home.file("XDG_STATE_HOME") + "/kestrivane/session";
  test::run_until(
      [&] {
        OwnedChars text;
        g_file_get_contents(session.c_str(), out(text), nullptr, nullptr);
        return text && std::string(text.get()).find("further.html") != std::string::npos;
      },
      10s);
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  g_spawn_close_pid(pid);
  ASSERT_TRUE(further);
  EXPECT_EQ(server.requests("POST /signin"), 1);
  EXPECT_EQ(files_holding_password(home.path()), std::vector<std::string>{});
}

}  // namespace
}  // namespace kv
