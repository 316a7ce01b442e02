#include "about/launchers.h"

#include <gtest/gtest.h>

#include "support/fake_form.h"
#include "support/recording_program_launcher.h"
#include "support/scripted_desktop_services.h"

namespace kv {
namespace {

struct Item {
  Gtk::MenuItem Form1::*item;
  const char* name;
  std::string command_line;
  int window_state;
};

class LaunchersTest : public ::testing::Test {
 protected:
  LaunchersTest() { attach_launchers(window.form, launcher, services); }

  // The five items that start programs, with what they must start.
  static std::vector<Item> items() {
    return {
        {&Form1::mnuToolsMailNews, "Mail & News", "C:\\Program Files\\Outlook Express\\MSIMN.EXE",
         1},
        {&Form1::mnuToolsAddressBook, "Address Book", "C:\\Program Files\\Outlook Express\\wab.exe",
         1},
        {&Form1::mnuToolsInternetOption, "Internet Options",
         "rundll32.exe shell32.dll,Control_RunDLL Inetcpl.cpl", 1},
        {&Form1::mnuFileNewMessage, "New Message", "explorer mailto:", 2},
        {&Form1::mnuSendEmail, "Send Email", "explorer mailto:pellimar@palvenna.example", 2},
    };
  }

  void expect_browser_untouched() {
    EXPECT_TRUE(window.web.calls.empty());
    EXPECT_TRUE(window.form.get_sensitive());
    EXPECT_TRUE(services.message_boxes.empty());
  }

  test::FakeForm window;
  test::RecordingProgramLauncher launcher;
  test::ScriptedDesktopServices services;
};

TEST_F(LaunchersTest, EachItemStartsItsExactCommandLineWithItsWindowState) {
  for (const Item& item : items()) {
    launcher.starts.clear();
    (window.form.*item.item).activate();
    ASSERT_EQ(launcher.starts.size(), 1U) << item.name;
    EXPECT_EQ(launcher.starts[0].command_line, item.command_line) << item.name;
    EXPECT_EQ(launcher.starts[0].window_state, item.window_state) << item.name;
  }
  expect_browser_untouched();
}

TEST_F(LaunchersTest, ChoosingAnItemAgainStartsAgain) {
  window.form.mnuToolsMailNews.activate();
  window.form.mnuToolsMailNews.activate();
  ASSERT_EQ(launcher.starts.size(), 2U);
  EXPECT_EQ(launcher.starts[1].command_line, launcher.starts[0].command_line);
}

TEST_F(LaunchersTest, AProgramThatCannotBeStartedDoesNothingAndShowsNothing) {
  launcher.missing = true;
  for (const Item& item : items()) (window.form.*item.item).activate();
  launcher.refused = true;
  for (const Item& item : items()) (window.form.*item.item).activate();
  EXPECT_EQ(launcher.starts.size(), 2 * items().size());
  expect_browser_untouched();
}

TEST_F(LaunchersTest, VisitWebsiteOnlyShowsItsNotice) {
  window.form.mnuHelpWebsite.activate();
  ASSERT_EQ(services.message_boxes.size(), 1U);
  const auto& box = services.message_boxes[0];
  EXPECT_EQ(box.prompt, "Site is down temporary");
  EXPECT_EQ(box.title, "Website under construction");
  EXPECT_EQ(box.style, 64);
  EXPECT_EQ(box.parent, &window.form);
  EXPECT_TRUE(launcher.starts.empty());
  EXPECT_TRUE(window.web.calls.empty()) << "the page is not touched";
}

}  // namespace
}  // namespace kv
