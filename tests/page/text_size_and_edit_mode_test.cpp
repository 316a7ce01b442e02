#include <gtest/gtest.h>

#include "page/edit_mode.h"
#include "page/text_size.h"
#include "support/fake_form.h"
#include "support/scripted_desktop_services.h"

namespace kv {
namespace {

// Records how many calls the page had seen each time pending events were let run.
class EventsAfterCalls : public test::ScriptedDesktopServices {
 public:
  explicit EventsAfterCalls(const test::FakeWebBrowser& web) : web_(web) {}
  void DoEvents() override {
    ScriptedDesktopServices::DoEvents();
    calls_seen.push_back(web_.calls.size());
  }
  std::vector<std::size_t> calls_seen;

 private:
  const test::FakeWebBrowser& web_;
};

class TextSize : public ::testing::Test {
 protected:
  void SetUp() override { attach_text_size(f.form, services); }

  test::FakeForm f;
  EventsAfterCalls services{f.web};
};

TEST_F(TextSize, EachItemSendsZoomWithoutPromptAndItsLevelThenLetsEventsRun) {
  // Captions run from "Largest" to "Smallest"; the control's levels from smallest up.
  const std::array<std::int32_t, 5> expected{4, 3, 2, 1, 0};
  for (std::size_t i = 0; i < expected.size(); ++i) f.form.mnuViewTextSizeFont.at(i).activate();

  const auto calls = f.web.calls_of("ExecWB");
  ASSERT_EQ(calls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(calls[i].cmd, 19);
    EXPECT_EQ(calls[i].opt, 2);
    ASSERT_TRUE(calls[i].in.has_value());
    ASSERT_TRUE(std::holds_alternative<std::int32_t>(*calls[i].in));
    EXPECT_EQ(std::get<std::int32_t>(*calls[i].in), expected.at(i));
    EXPECT_FALSE(calls[i].out.has_value());
  }
  // Events run once per click, after its call.
  EXPECT_EQ(services.calls_seen, (std::vector<std::size_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(f.web.members().size(), 5U);
}

TEST_F(TextSize, TheSameItemTwiceSendsTheSameCallTwice) {
  f.form.mnuViewTextSizeFont[2].activate();
  f.form.mnuViewTextSizeFont[2].activate();
  const auto calls = f.web.calls_of("ExecWB");
  ASSERT_EQ(calls.size(), 2U);
  EXPECT_EQ(std::get<std::int32_t>(*calls[0].in), 2);
  EXPECT_EQ(std::get<std::int32_t>(*calls[1].in), 2);
}

TEST_F(TextSize, ARefusedZoomShowsNothingAndEventsStillRun) {
  f.web.refused.insert("ExecWB");
  EXPECT_NO_THROW(f.form.mnuViewTextSizeFont[4].activate());
  EXPECT_EQ(services.do_events_count, 1);
  EXPECT_TRUE(services.message_boxes.empty());
}

class EditMode : public ::testing::Test {
 protected:
  void SetUp() override { attach_edit_mode(f.form); }
  std::vector<Glib::ustring> modes() { return f.web.texts_of("SetDesignMode"); }
  test::FakeForm f;
};

TEST_F(EditMode, EditOnAndOffSetDesignModeAndNothingElse) {
  f.form.mnuFileEdit.activate();
  f.form.mnuFileEdit.activate();
  f.form.mnuFileEditOFF.activate();
  EXPECT_EQ(modes(), (std::vector<Glib::ustring>{"On", "On", "Off"}));
  EXPECT_EQ(f.web.members().size(), 3U);
  EXPECT_TRUE(f.pane.calls.empty());
  EXPECT_TRUE(f.form.mnuFileEdit.get_sensitive());
  EXPECT_TRUE(f.form.mnuFileEditOFF.get_sensitive());
}

TEST_F(EditMode, ARefusedDesignModeIsDropped) {
  f.web.refused.insert("SetDesignMode");
  EXPECT_NO_THROW(f.form.mnuFileEdit.activate());
  EXPECT_NO_THROW(f.form.mnuFileEditOFF.activate());
  EXPECT_EQ(modes().size(), 2U);
}

}  // namespace
}  // namespace kv
