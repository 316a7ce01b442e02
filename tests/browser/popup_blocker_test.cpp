#include "browser/popup_blocker.h"

#include <gtest/gtest.h>

#include <functional>
#include <list>

#include "browser/addresses.h"
#include "browser/program_host.h"
#include "browser/startup.h"
#include "support/fake_form.h"

namespace kv {
namespace {

// Opens fake main windows, with their start-up, as the program object would.
class FakeHost : public ProgramHost {
 public:
  Form1& load_main_window(WebBrowser* related) override {
    if (fail_to_load) throw std::runtime_error("no window");
    if (on_load) on_load();
    relations.push_back(related);
    windows.emplace_back();
    run_startup(windows.back().form);
    return windows.back().form;
  }
  Form1& load_private_window() override { return load_main_window(nullptr); }
  Form1* first_main_window() override { return nullptr; }
  void end_program() override {}

  std::list<test::FakeForm> windows;
  std::vector<WebBrowser*> relations;
  bool fail_to_load = false;
  std::function<void()> on_load;
};

class PopupBlocker : public ::testing::Test {
 protected:
  void SetUp() override {
    attach_popup_blocker(f.form, host, [this] { return now; });
  }

  // Raises the page's request for a new window; returns Cancel.
  bool request(WebBrowser** target = nullptr) {
    WebBrowser* ppDisp = nullptr;
    bool cancel = false;
    f.web.NewWindow2.emit(ppDisp, cancel);
    if (target != nullptr) *target = ppDisp;
    return cancel;
  }

  std::chrono::steady_clock::time_point now{std::chrono::seconds(100)};
  FakeHost host;
  test::FakeForm f;
};

TEST_F(PopupBlocker, ButtonTogglesBetweenItsTwoCaptions) {
  EXPECT_EQ(f.form.cmdPopups.get_label(), "Pop-ups Disabled");
  f.form.cmdPopups.clicked();
  EXPECT_EQ(f.form.cmdPopups.get_label(), "Pop-ups Enabled");
  f.form.cmdPopups.clicked();
  EXPECT_EQ(f.form.cmdPopups.get_label(), "Pop-ups Disabled");
  // Any other caption counts as enabled and toggles to disabled.
  f.form.cmdPopups.set_label("pop-ups disabled");
  f.form.cmdPopups.clicked();
  EXPECT_EQ(f.form.cmdPopups.get_label(), "Pop-ups Disabled");
}

TEST_F(PopupBlocker, DisabledRequestOpensAWindowOnItsStartPageAndCancels) {
  WebBrowser* target = nullptr;
  EXPECT_TRUE(request(&target));
  ASSERT_EQ(host.windows.size(), 1U);
  test::FakeForm& opened = host.windows.front();
  EXPECT_EQ(target, &opened.form.wWeb) << "handed back before the decision";
  EXPECT_EQ(host.relations.front(), &f.form.wWeb) << "related to the requesting control";
  EXPECT_TRUE(opened.form.get_visible());
  const auto navigations = opened.web.calls_of("Navigate");
  ASSERT_EQ(navigations.size(), 1U);
  EXPECT_EQ(navigations.front().text, kStartPageUrl);
}

TEST_F(PopupBlocker, EnabledRequestIsAllowedAndTheNewWindowStartsDisabled) {
  f.form.cmdPopups.clicked();
  WebBrowser* target = nullptr;
  EXPECT_FALSE(request(&target));
  ASSERT_EQ(host.windows.size(), 1U);
  EXPECT_EQ(target, &host.windows.front().form.wWeb);
  EXPECT_EQ(host.windows.front().form.cmdPopups.get_label(), "Pop-ups Disabled");
}

TEST_F(PopupBlocker, TheRequestingWindowsButtonDecidesNotTheNewOnes) {
  EXPECT_TRUE(request());
  // Enabling pop-ups in the window that was opened changes nothing for this one.
  host.windows.front().form.cmdPopups.clicked();
  now += std::chrono::seconds(5);
  EXPECT_TRUE(request());
  EXPECT_EQ(host.windows.size(), 2U) << "one new window per request, allowed or not";
}

TEST_F(PopupBlocker, AWindowThatCannotBeCreatedStillGetsTheDecision) {
  host.fail_to_load = true;
  WebBrowser* target = nullptr;
  EXPECT_TRUE(request(&target));
  EXPECT_EQ(target, nullptr);
  f.form.cmdPopups.clicked();
  now += std::chrono::seconds(5);
  EXPECT_FALSE(request(&target));
}

TEST_F(PopupBlocker, ABurstOfRequestsOpensAtMostTwoWindowsASecond) {
  f.form.cmdPopups.clicked();
  int allowed = 0;
  for (int i = 0; i < 100; ++i) {
    if (!request()) ++allowed;
  }
  EXPECT_EQ(allowed, 2);
  EXPECT_EQ(host.windows.size(), 2U) << "refused requests create no window";

  now += std::chrono::milliseconds(999);
  EXPECT_TRUE(request()) << "still inside the second of the first window";
  now += std::chrono::milliseconds(1);
  EXPECT_FALSE(request());
  EXPECT_FALSE(request());
  EXPECT_TRUE(request());
  EXPECT_EQ(host.windows.size(), 4U);
}

TEST_F(PopupBlocker, ALoopOnASlowMachineStillGetsTwoWindows) {
  f.form.cmdPopups.clicked();
  // Each window takes 700 ms to open; the loop's requests span several seconds.
  host.on_load = [this] { now += std::chrono::milliseconds(700); };
  for (int i = 0; i < 100; ++i) request();
  EXPECT_EQ(host.windows.size(), 2U);
}

TEST_F(PopupBlocker, TheCapCountsPerRequestingWindow) {
  test::FakeForm other;
  attach_popup_blocker(other.form, host, [this] { return now; });
  request();
  request();
  WebBrowser* ppDisp = nullptr;
  bool cancel = false;
  other.web.NewWindow2.emit(ppDisp, cancel);
  EXPECT_NE(ppDisp, nullptr) << "another window's page is not held back";
  EXPECT_EQ(host.windows.size(), 3U);
}

}  // namespace
}  // namespace kv
