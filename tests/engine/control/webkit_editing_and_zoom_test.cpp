// Editing commands, zoom and designMode on the real engine.
#include <gtest/gtest.h>
#include <gtkmm/clipboard.h>

#include "engine/control/webkit_page_commands.h"
#include "support/engine_window.h"
#include "support/run_until.h"

namespace kv {
namespace {

constexpr const char* kPage =
    "<html><head><title>Words</title></head><body><p id=p>Quokka marmalade zebra</p>"
    "<input id=f value=''></body></html>";

std::string clipboard_text() {
  const Glib::ustring text = Gtk::Clipboard::get()->wait_for_text();
  return text.raw();
}

class EngineEditing : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(w.load_html(kPage));
    w.browser->SetFocus();
  }
  std::string selection() { return w.eval("window.getSelection().toString()"); }
  std::string field() { return w.eval("document.getElementById('f').value"); }

  test::EngineWindow w;
};

TEST_F(EngineEditing, SelectAllThenCopyPutsThePageTextOnTheClipboardAndUnselectClearsIt) {
  Gtk::Clipboard::get()->set_text("before");
  w.browser->ExecWB(olecmd::kSelectAll, olecmd::kDoDefault);
  ASSERT_TRUE(test::run_until([&] { return selection().find("Quokka") != std::string::npos; }));
  w.browser->ExecWB(olecmd::kCopy, olecmd::kDoDefault);
  EXPECT_TRUE(test::run_until(
      [&] { return clipboard_text().find("Quokka marmalade zebra") != std::string::npos; }));

  w.browser->ExecWB(olecmd::kClearSelection, olecmd::kDoDefault);
  EXPECT_TRUE(test::run_until([&] { return selection().empty(); }));
  // Clearing an empty selection again is refused by the engine and harms nothing.
  w.browser->ExecWB(olecmd::kClearSelection, olecmd::kDoDefault);
  EXPECT_EQ(w.eval("document.title"), "Words");
}

TEST_F(EngineEditing, PasteCutAndUndoInAnEditableField) {
  w.eval("document.getElementById('f').focus(); 'ok'");
  Gtk::Clipboard::get()->set_text("pasted words");
  w.browser->ExecWB(olecmd::kPaste, olecmd::kDoDefault);
  ASSERT_TRUE(test::run_until([&] { return field() == "pasted words"; }));

  w.browser->ExecWB(olecmd::kUndo, olecmd::kDoDefault);
  EXPECT_TRUE(test::run_until([&] { return field().empty(); }));

  w.eval("var f = document.getElementById('f'); f.value = 'cut me'; f.select(); 'ok'");
  w.browser->ExecWB(olecmd::kCut, olecmd::kDoDefault);
  EXPECT_TRUE(test::run_until([&] { return field().empty(); }));
  EXPECT_TRUE(test::run_until([&] { return clipboard_text() == "cut me"; }));
}

TEST(EngineZoom, EachLevelZoomsTheTextOnlyInOrderWithTheMiddleAtTheOwnSize) {
  test::EngineWindow w;
  ASSERT_TRUE(w.load_html(kPage));
  double previous = 0.0;
  for (std::int32_t level = 0; level < 5; ++level) {
    SCOPED_TRACE(level);
    w.browser->ExecWB(olecmd::kZoom, olecmd::kDontPromptUser, level);
    const double zoom = webkit_web_view_get_zoom_level(w.view());
    EXPECT_GT(zoom, previous * 1.1) << "steps must be visibly different";
    previous = zoom;
    if (level == 2) {
      EXPECT_DOUBLE_EQ(zoom, 1.0);
    }
  }
  EXPECT_TRUE(webkit_settings_get_zoom_text_only(webkit_web_view_get_settings(w.view())));

  // A level off the scale, or none at all, changes nothing.
  w.browser->ExecWB(olecmd::kZoom, olecmd::kDontPromptUser, std::int32_t{5});
  w.browser->ExecWB(olecmd::kZoom, olecmd::kDontPromptUser, std::int32_t{-1});
  w.browser->ExecWB(olecmd::kZoom, olecmd::kDontPromptUser);
  EXPECT_DOUBLE_EQ(webkit_web_view_get_zoom_level(w.view()), previous);
}

TEST(EngineDesignMode, OnAndOffReadBackAndANewPageIsNotSwitchedOn) {
  test::EngineWindow w;
  ASSERT_TRUE(w.load_html(kPage));
  w.browser->SetDesignMode("On");
  EXPECT_TRUE(test::run_until([&] { return w.eval("document.designMode") == "on"; }));
  w.browser->SetDesignMode("Off");
  EXPECT_TRUE(test::run_until([&] { return w.eval("document.designMode") == "off"; }));

  w.browser->SetDesignMode("On");
  ASSERT_TRUE(test::run_until([&] { return w.eval("document.designMode") == "on"; }));
  ASSERT_TRUE(w.load_html("<p>another page</p>", "http://127.0.0.1/other"));
  EXPECT_EQ(w.eval("document.designMode"), "off");

  // A value the document refuses leaves the mode as it was.
  w.browser->SetDesignMode("it's \"odd\"");
  EXPECT_EQ(w.eval("document.designMode"), "off");
}

TEST(EngineRefusals, CommandsWithoutAPageShowNothingAndChangeNothing) {
  test::EngineWindow w;  // nothing loaded
  const auto windows_before = Gtk::Window::list_toplevels().size();
  for (std::int32_t cmd :
       {olecmd::kSaveAs, olecmd::kPrint, olecmd::kPrintPreview, olecmd::kPageSetup,
        olecmd::kProperties, olecmd::kCut, olecmd::kCopy, olecmd::kPaste, olecmd::kUndo,
        olecmd::kSelectAll, olecmd::kClearSelection, olecmd::kShowFind}) {
    SCOPED_TRACE(cmd);
    w.browser->ExecWB(cmd, olecmd::kDoDefault);
    w.browser->ExecWB(cmd, olecmd::kDoDefault, std::int16_t{0}, std::int16_t{0});
  }
  w.browser->ExecWB(olecmd::kZoom, olecmd::kDontPromptUser, std::int32_t{4});
  w.browser->SetDesignMode("On");
  test::flush_events();
  EXPECT_EQ(Gtk::Window::list_toplevels().size(), windows_before);
  EXPECT_DOUBLE_EQ(webkit_web_view_get_zoom_level(w.view()), 1.0);
  EXPECT_EQ(webkit_web_view_get_uri(w.view()), nullptr);
}

}  // namespace
}  // namespace kv
