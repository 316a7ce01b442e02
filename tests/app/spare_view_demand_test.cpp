#include "app/spare_view_demand.h"

#include <gtest/gtest.h>

#include "browser/form1.h"
#include "support/program_with_fakes.h"

namespace kv {
namespace {

class SpareViewDemandTest : public test::ProgramWithFakes {
 protected:
  static void page_loaded(Form1& form) { web_of(form).DocumentComplete.emit("http://x.test/"); }

  int kept = 0;
  SpareViewDemand demand{program, [this] { ++kept; }};
};

TEST_F(SpareViewDemandTest, ARunFromTheMenuKeepsOneOnlyOnceASecondWindowHasLoaded) {
  Form1& first = program.open_first_main_window();
  page_loaded(first);
  page_loaded(first);
  EXPECT_EQ(kept, 0) << "one window needs none";

  first.mnuFileNewNewWindow.activate();
  Form1& second = program.main_window(1);
  EXPECT_EQ(kept, 0) << "not while the new window's own page starts";
  page_loaded(second);
  EXPECT_EQ(kept, 1);

  first.mnuFileNewNewWindow.activate();
  page_loaded(program.main_window(2));
  page_loaded(second);
  EXPECT_EQ(kept, 1) << "asked for once";
}

TEST_F(SpareViewDemandTest, ARunStartedForALinkKeepsOneFromItsFirstPage) {
  Form1& first = program.open_main_window("http://x.test/");
  demand.started_for_links(first);
  EXPECT_EQ(kept, 0);
  page_loaded(first);
  EXPECT_EQ(kept, 1);
}

TEST_F(SpareViewDemandTest, PrivateWindowsAndWindowsClosedBeforeDoNotCount) {
  Form1& first = program.open_first_main_window();
  page_loaded(first);
  // A private window takes its pages from a context of its own, which no spare serves.
  Form1& hidden = program.open_private_window("");
  page_loaded(hidden);
  EXPECT_EQ(kept, 0);

  // The first window closed: the next is alone again.
  first.hide();
  Form1& next = program.open_main_window("http://y.test/");
  page_loaded(next);
  EXPECT_EQ(kept, 0);

  // A page's window beside it is a second one.
  Form1& popup = program.load_main_window(&next.wWeb);
  popup.show();
  page_loaded(popup);
  EXPECT_EQ(kept, 1);
}

}  // namespace
}  // namespace kv
