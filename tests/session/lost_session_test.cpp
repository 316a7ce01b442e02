// The notice about a lost session and its two choices, on recording controls.
#include "session/lost_session.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "browser/addresses.h"
#include "browser/form1.h"
#include "session/session_keeper.h"
#include "support/fake_web_browser.h"
#include "support/run_until.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

using test::FakeWebBrowser;

class LostSession : public ::testing::Test {
 protected:
  static FakeWebBrowser& web_of(Form1& form) { return dynamic_cast<FakeWebBrowser&>(form.wWeb); }

  Form1& new_form() {
    forms.push_back(std::make_unique<Form1>(std::make_unique<FakeWebBrowser>(),
                                            std::make_unique<FakeWebBrowser>()));
    return *forms.back();
  }

  void offer(const Session& lost) {
    offer_lost_session(
        first, lost,
        [this](const Glib::ustring& address) -> Form1& {
          opened_with.push_back(address);
          return new_form();
        },
        keeper);
  }

  static Session lost_session() {
    Session lost;
    lost.windows.push_back({"http://127.0.0.1:1/a2.html", "A two", {1, 2, 3}});
    lost.windows.push_back({"http://127.0.0.1:1/b2.html", "B two", {4, 5}});
    // The engine refused this one's history: its address still comes back.
    lost.windows.push_back({"http://127.0.0.1:1/c.html", "C", {}});
    // An address that would run in the page never loads.
    lost.windows.push_back({"javascript:alert(1)", "evil", {}});
    return lost;
  }

  std::vector<std::unique_ptr<Form1>> forms;
  Form1& first = new_form();
  std::vector<Glib::ustring> opened_with;
  test::TempDir dir;
  SessionStore store{dir.path()};
  SessionKeeper keeper{store,
                       [] { return std::vector<SessionWindow>{}; },
                       {.gather_ms = 10, .windows_ms = 10, .titles_ms = 10, .settle_ms = 60000}};
};

TEST_F(LostSession, ReopenBringsBackEveryWindowOnceWithItsHistory) {
  offer(lost_session());
  auto& shown = web_of(first).restore_offer;
  ASSERT_TRUE(shown);
  ASSERT_EQ(shown->windows.size(), 4U);
  EXPECT_EQ(shown->windows[1].title, "B two");
  EXPECT_EQ(shown->windows[1].address, "http://127.0.0.1:1/b2.html");
  EXPECT_TRUE(shown->can_reopen);

  shown->reopen();
  shown->reopen();  // a second click on the link opens nothing more
  ASSERT_EQ(forms.size(), 4U);
  EXPECT_EQ(opened_with, std::vector<Glib::ustring>(3, ""));
  EXPECT_EQ(web_of(first).session_state, (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(web_of(*forms[1]).session_state, (std::vector<std::uint8_t>{4, 5}));
  EXPECT_EQ(web_of(*forms[2]).texts_of("Navigate"),
            std::vector<Glib::ustring>{"http://127.0.0.1:1/c.html"});
  EXPECT_TRUE(web_of(*forms[3]).texts_of("Navigate").empty());
  // The restore is marked in the file, so that a quick second loss is not reopened.
  ASSERT_TRUE(test::run_until([&] { return keeper.writes() == 1; }));
  EXPECT_GT(store.take_left_session()->restored_at, 0);
}

TEST_F(LostSession, AQuickSecondLossIsListedOnlyAndStartAfreshLoadsTheStartPage) {
  Session lost = lost_session();
  lost.restored_at = 1234;
  offer(lost);
  auto& shown = web_of(first).restore_offer;
  ASSERT_TRUE(shown);
  EXPECT_FALSE(shown->can_reopen);
  shown->start_afresh();
  EXPECT_EQ(web_of(first).texts_of("Navigate"), std::vector<Glib::ustring>{kStartPageUrl});
  EXPECT_TRUE(opened_with.empty());
}

}  // namespace
}  // namespace kv
