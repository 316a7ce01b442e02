#include "browser/navigation.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "browser/addresses.h"
#include "support/fake_form.h"
#include "support/run_until.h"
#include "support/scripted_desktop_services.h"
#include "support/widget_events.h"

namespace kv {
namespace {

class Navigation : public ::testing::Test {
 protected:
  void SetUp() override { attach_navigation(f.form, services); }

  void type_address(const Glib::ustring& text) { f.form.cboURL_entry().set_text(text); }
  std::vector<Glib::ustring> address_list() {
    std::vector<Glib::ustring> items;
    auto model = f.form.cboURL.get_model();
    for (const auto& row : model->children()) {
      Glib::ustring text;
      row.get_value(0, text);
      items.push_back(text);
    }
    return items;
  }
  std::vector<Glib::ustring> navigated() { return f.web.texts_of("Navigate"); }

  test::ScriptedDesktopServices services;
  test::FakeForm f;
};

TEST_F(Navigation, GoNavigatesEnablesBackAndAppendsTheTypedText) {
  type_address("example.org");
  f.form.cmdGo.clicked();
  EXPECT_EQ(navigated(), std::vector<Glib::ustring>{"http://example.org"});
  EXPECT_TRUE(f.form.cmdBack.get_sensitive());
  EXPECT_FALSE(f.form.cmdForward.get_sensitive());

  // An address that already has its scheme goes as typed; the list keeps the text.
  type_address("http://example.org/");
  f.form.cmdGo.clicked();
  type_address("example.org");
  f.form.cmdGo.clicked();
  EXPECT_EQ(navigated(), (std::vector<Glib::ustring>{"http://example.org", "http://example.org/",
                                                     "http://example.org"}));
  EXPECT_EQ(address_list(),
            (std::vector<Glib::ustring>{"example.org", "http://example.org/", "example.org"}));
}

TEST_F(Navigation, GoWithAnEmptyBoxNavigatesToTheBarePrefix) {
  f.form.cmdGo.clicked();
  EXPECT_EQ(navigated(), std::vector<Glib::ustring>{"http://"});
  EXPECT_EQ(address_list(), std::vector<Glib::ustring>{""});
}

TEST_F(Navigation, GoKeepsItsLaterStepsWhenTheControlRefusesTheAddress) {
  f.web.refused.insert("Navigate");
  type_address("bad");
  f.form.cmdGo.clicked();
  EXPECT_TRUE(f.form.cmdBack.get_sensitive());
  EXPECT_EQ(address_list(), std::vector<Glib::ustring>{"bad"});
}

TEST_F(Navigation, EnterInTheAddressBoxOrSearchBoxRunsGoExactlyOnce) {
  f.form.show();
  ASSERT_TRUE(test::run_until([&] { return f.form.get_mapped(); }));
  type_address("a.test");
  f.form.cboURL_entry().grab_focus();
  test::press_key(f.form, GDK_KEY_Return);
  // The default button shows itself pressed for a moment before it clicks.
  ASSERT_TRUE(test::run_until([&] { return !navigated().empty(); }));
  test::flush_events();
  EXPECT_EQ(navigated(), std::vector<Glib::ustring>{"http://a.test"});
  EXPECT_EQ(address_list().size(), 1U);

  // Enter in the search box goes to the address, not to a search.
  f.form.txtSearch.set_text("words");
  f.form.txtSearch.grab_focus();
  test::press_key(f.form, GDK_KEY_KP_Enter);
  ASSERT_TRUE(test::run_until([&] { return navigated().size() == 2; }));
  (void)test::run_until([] { return false; }, std::chrono::milliseconds(300));
  EXPECT_EQ(navigated(), (std::vector<Glib::ustring>{"http://a.test", "http://a.test"}));
  EXPECT_EQ(address_list().size(), 2U);
  EXPECT_TRUE(services.message_boxes.empty());
}

TEST_F(Navigation, WorkOfflineWarnsOnEveryKeyButEnterAndStopsNothing) {
  f.form.show();
  ASSERT_TRUE(test::run_until([&] { return f.form.get_mapped(); }));
  f.form.cboURL_entry().grab_focus();
  test::press_key(f.form, GDK_KEY_a);
  EXPECT_TRUE(services.message_boxes.empty()) << "no mark, no warning";

  f.form.mnuFileWorkOffline.activate();
  ASSERT_TRUE(f.form.mnuFileWorkOffline.get_active());
  for (guint key : {GDK_KEY_b, GDK_KEY_c, GDK_KEY_Shift_L}) test::press_key(f.form, key);
  ASSERT_EQ(services.message_boxes.size(), 3U);
  const auto& box = services.message_boxes.front();
  EXPECT_EQ(box.prompt, "WorkOffline Option is Enabled, Please Disable to continue");
  EXPECT_EQ(box.title, "WorkOffline");
  EXPECT_EQ(box.style, 64);
  EXPECT_EQ(box.parent, &f.form);
  // The keys still reach the text.
  EXPECT_EQ(f.form.cboURL_entry().get_text(), "abc");

  test::press_key(f.form, GDK_KEY_Return);
  ASSERT_TRUE(test::run_until([&] { return !navigated().empty(); }));
  EXPECT_EQ(services.message_boxes.size(), 3U);
  EXPECT_EQ(navigated(), std::vector<Glib::ustring>{"http://abc"});

  f.form.mnuFileWorkOffline.activate();
  EXPECT_FALSE(f.form.mnuFileWorkOffline.get_active());
  test::press_key(f.form, GDK_KEY_d);
  EXPECT_EQ(services.message_boxes.size(), 3U);
}

TEST_F(Navigation, SearchSendsTheEncodedTextAndLeavesTheAddressBarAlone) {
  type_address("typed");
  f.form.txtSearch.set_text("C++ & more");
  f.form.cmdGoogle.clicked();
  EXPECT_EQ(navigated(), std::vector<Glib::ustring>{search_address("C++ & more")});
  EXPECT_EQ(navigated().front(), "http://www.google.com/search?q=C%2B%2B%20%26%20more");
  EXPECT_TRUE(f.form.cmdBack.get_sensitive());
  EXPECT_TRUE(address_list().empty());
  EXPECT_EQ(f.form.cboURL_entry().get_text(), "typed");
}

TEST_F(Navigation, ButtonsCallTheControlAndKeepTheirOwnEnabledStates) {
  f.form.cmdHome.clicked();
  EXPECT_FALSE(f.form.cmdBack.get_sensitive()) << "Home does not enable Back";
  f.form.cmdBack.set_sensitive(true);
  f.web.refused.insert("GoBack");
  f.form.cmdBack.clicked();  // refused, and still enables Forward
  EXPECT_TRUE(f.form.cmdForward.get_sensitive());
  f.form.cmdForward.clicked();
  f.form.cmdStop.clicked();
  f.form.cmdRefresh.clicked();
  EXPECT_EQ(f.web.members(),
            (std::vector<std::string>{"Navigate", "GoBack", "GoForward", "Stop", "Refresh"}));
  EXPECT_EQ(navigated(), std::vector<Glib::ustring>{"http://www.google.com"});
}

TEST_F(Navigation, ViewMenuCallsTheControlAndNeverTouchesTheButtons) {
  f.form.mnuViewGoToBack.activate();
  f.form.mnuViewGoToForward.activate();
  f.form.mnuViewGoToHome.activate();
  f.form.mnuViewRefresh.activate();
  EXPECT_EQ(f.web.members(),
            (std::vector<std::string>{"GoBack", "GoForward", "GoHome", "Refresh"}));
  EXPECT_FALSE(f.form.cmdBack.get_sensitive());
  EXPECT_FALSE(f.form.cmdForward.get_sensitive());
}

TEST_F(Navigation, OddAddressesNeverUpsetTheWindow) {
  const Glib::ustring long_text(100000, 'x');
  for (const Glib::ustring& text :
       {long_text, Glib::ustring("\x01\x02\t\x7f"), Glib::ustring("javascript:alert(1)"),
        Glib::ustring("http://[::1"), Glib::ustring("ü%zz%")}) {
    type_address(text);
    f.form.cmdGo.clicked();
  }
  ASSERT_EQ(navigated().size(), 5U);
  // The text field holds at most 65535 characters; the rest never reaches the bar.
  EXPECT_EQ(navigated()[0].substr(0, 10), "http://xxx");
  EXPECT_GT(navigated()[0].size(), 60000U);
  EXPECT_EQ(navigated()[2], "http://javascript:alert(1)");
  EXPECT_EQ(address_list().size(), 5U);
}

}  // namespace
}  // namespace kv
