#include "browser/clock.h"

#include <gtest/gtest.h>

#include <clocale>

#include "support/fake_form.h"
#include "support/run_until.h"
#include "support/scripted_desktop_services.h"

namespace kv {
namespace {

class Clock : public ::testing::Test {
 protected:
  void SetUp() override {
    old_locale_ = std::setlocale(LC_TIME, nullptr);
    std::setlocale(LC_TIME, "C");
    attach_clock(f.form, services);
  }
  void TearDown() override { std::setlocale(LC_TIME, old_locale_.c_str()); }

  std::string old_locale_;
  test::ScriptedDesktopServices services;
  test::FakeForm f;
};

TEST_F(Clock, ShowsDateAndTimeCaptionsUntilTheFirstTick) {
  EXPECT_EQ(f.form.lblDate.get_text(), "Date");
  EXPECT_EQ(f.form.lblTimer.get_text(), "Time");
  EXPECT_EQ(f.form.Timer1.interval(), 1000U);
}

TEST_F(Clock, EachTickWritesTheTimeAndTheDateInTheLocaleFormats) {
  services.now = Glib::DateTime::create_local(2024, 3, 9, 14, 5, 7);
  f.form.Timer1.tick();
  EXPECT_EQ(f.form.lblTimer.get_text(), "14:05:07");
  EXPECT_EQ(f.form.lblDate.get_text(), "03/09/24");
  services.now = Glib::DateTime::create_local(2025, 12, 31, 23, 59, 59);
  f.form.Timer1.tick();
  EXPECT_EQ(f.form.lblTimer.get_text(), "23:59:59");
  EXPECT_EQ(f.form.lblDate.get_text(), "12/31/25");
}

TEST(ClockWindows, EachWindowRunsItsOwnTimerThatStopsWithIt) {
  test::ScriptedDesktopServices services;
  auto first = std::make_unique<test::FakeForm>();
  test::FakeForm second;
  attach_clock(first->form, services);
  attach_clock(second.form, services);
  second.form.Timer1.tick();
  EXPECT_EQ(first->form.lblTimer.get_text(), "Time") << "ticks are per window";
  // A closed window's timer must never tick into its freed labels, while the other
  // window's timer goes on by itself.
  first.reset();
  second.form.lblTimer.set_text("Time");
  EXPECT_TRUE(test::run_until([&] { return second.form.lblTimer.get_text() != "Time"; },
                              std::chrono::seconds(3)));
}

}  // namespace
}  // namespace kv
