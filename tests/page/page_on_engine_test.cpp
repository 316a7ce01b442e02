// The page commands of a main window whose page is the real engine.
#include <gtest/gtest.h>
#include <gtkmm/clipboard.h>

#include "browser/form1.h"
#include "engine/control/webkit_browser.h"
#include "page/page_commands.h"
#include "page/text_size.h"
#include "support/engine_window.h"
#include "support/run_until.h"
#include "support/scripted_desktop_services.h"

namespace kv {
namespace {

class PageOnEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    attach_page_commands(form, services);
    attach_text_size(form, services);
    form.show();
    ASSERT_TRUE(test::run_until([&] { return form.get_mapped(); }));
    // The window has the display's keyboard focus, as after a person's click into it; a
    // test program that ran before on the same display may have left it nowhere.
    form.get_window()->focus(GDK_CURRENT_TIME);
    (void)test::run_until([&] { return form.has_toplevel_focus(); }, std::chrono::seconds(2));
    ASSERT_TRUE(test::load_html_and_wait(
        view(), "<html><head><title>Engine</title></head><body><p>Quokka words</p></body>"));
  }

  WebKitWebView* view() { return dynamic_cast<WebKitBrowser&>(form.wWeb).view(); }
  std::string eval(const std::string& script) { return test::eval_js(view(), script); }

  test::ScriptedDesktopServices services;
  Form1 form{std::make_unique<WebKitBrowser>(), std::make_unique<WebKitBrowser>()};
};

TEST_F(PageOnEngine, TextSizesFromSmallestToLargestZoomUpInVisibleSteps) {
  std::vector<double> zooms;
  for (int index = 4; index >= 0; --index) {
    form.mnuViewTextSizeFont.at(static_cast<std::size_t>(index)).activate();
    zooms.push_back(webkit_web_view_get_zoom_level(view()));
  }
  for (std::size_t i = 1; i < zooms.size(); ++i) EXPECT_GT(zooms[i], zooms[i - 1] * 1.1);
  EXPECT_DOUBLE_EQ(zooms[2], 1.0);  // "Medium"
  EXPECT_EQ(services.do_events_count, 5);
}

TEST_F(PageOnEngine, SelectAllWithThePageFocusedThenCopyReachesTheClipboard) {
  Gtk::Clipboard::get()->set_text("before");
  form.wWeb.SetFocus();
  ASSERT_EQ(form.active_control_name(), "wWeb");
  form.mnuEditSelectAll.activate();
  ASSERT_TRUE(test::run_until([&] {
    return eval("window.getSelection().toString()").find("Quokka") != std::string::npos;
  }));
  form.mnuEditCopy.activate();
  EXPECT_TRUE(test::run_until([] {
    return Gtk::Clipboard::get()->wait_for_text().find("Quokka words") != Glib::ustring::npos;
  })) << "clipboard: "
      << Gtk::Clipboard::get()->wait_for_text();
}

// Text selected in the address box takes the X primary selection, on which the engine
// drops the page's selection; Copy must still copy the page's, never the address.
TEST_F(PageOnEngine, CopyFromTheAddressBoxGoesToThePageNeverToTheAddress) {
  form.wWeb.SetFocus();
  form.mnuEditSelectAll.activate();
  ASSERT_TRUE(test::run_until([&] {
    return eval("window.getSelection().toString()").find("Quokka") != std::string::npos;
  }));
  Gtk::Clipboard::get()->set_text("before");
  form.cboURL_entry().set_text("http://address.test/");
  form.cboURL_entry().grab_focus();
  form.cboURL_entry().select_region(0, -1);
  form.mnuEditCopy.activate();
  EXPECT_EQ(form.active_control_name(), "wWeb");
  EXPECT_TRUE(test::run_until([] {
    return Gtk::Clipboard::get()->wait_for_text().find("Quokka words") != Glib::ustring::npos;
  })) << "clipboard: "
      << Gtk::Clipboard::get()->wait_for_text();
}

}  // namespace
}  // namespace kv
