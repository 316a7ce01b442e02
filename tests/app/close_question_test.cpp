// Ending the program while downloads run asks first, File > Close as well, on the real
// engine; the other windows' opening and closing reach the session as changes.
#include "app/close_question.h"

#include <glibmm/main.h>
#include <gtest/gtest.h>

#include "engine/control/webkit_browser.h"
#include "engine/downloads/download_window.h"
#include "engine/downloads/downloads.h"
#include "support/download_server.h"
#include "support/loopback_engine.h"
#include "support/program_with_fakes.h"
#include "support/run_until.h"
#include "support/widget_events.h"

namespace kv {
namespace {

using ClosingTheLastWindow = test::ProgramWithFakes;

TEST_F(ClosingTheLastWindow, AsksOnlyWhileADownloadRunsAndCancelKeepsTheWindow) {
  Form1& first = program.open_first_main_window();
  Form1& second = program.open_main_window("http://127.0.0.1:1/x.html");
  EXPECT_TRUE(may_end_with_downloads(services, first, 0));
  EXPECT_TRUE(services.message_boxes.empty());

  services.msgbox_answers = {msgbox::kAnswerCancel, msgbox::kAnswerOk};
  EXPECT_FALSE(may_end_with_downloads(services, second, 1));
  EXPECT_TRUE(may_end_with_downloads(services, second, 2));
  ASSERT_EQ(services.message_boxes.size(), 2U);
  const auto& asked = services.message_boxes[0];
  EXPECT_EQ(asked.prompt, "A download is still in progress. Cancel it and close?");
  EXPECT_EQ(asked.parent, &second);
  EXPECT_EQ(asked.style & 0x0F, msgbox::kOkCancel);
  EXPECT_NE(asked.style & msgbox::kDefaultButton2, 0) << "Cancel is the default";
}

TEST_F(ClosingTheLastWindow, WindowsOpenedClosedAndCommittedAreChanges) {
  int changes = 0;
  int titles = 0;
  program.windows_changed.connect([&] { ++changes; });
  program.titles_changed.connect([&] { ++titles; });
  Form1& first = program.open_first_main_window();
  Form1& second = program.open_main_window("http://127.0.0.1:1/x.html");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(web_of(second).texts_of("Navigate"),
            std::vector<Glib::ustring>{"http://127.0.0.1:1/x.html"});
  EXPECT_TRUE(web_of(program.load_main_window_at("")).texts_of("Navigate").empty());
  changes = 0;
  web_of(first).NavigateComplete2.emit("http://127.0.0.1:1/y.html");
  web_of(first).TitleChange.emit("y");
  web_of(first).ProgressChange.emit(50, 100);  // never a change by itself
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(titles, 1);
  test::close_box(second);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(quits, 0);
}

TEST(FileClose, AsksWhileADownloadRunsAndCancelKeepsTheProgramAndTheDownload) {
  test::keep_engine_on_loopback();
  test::TempDir folder;
  const std::string saved = folder.file("report.zip");
  use_download_desktop(
      [saved](const SaveQuestion&, auto answer) {
        Glib::signal_idle().connect_once([answer, saved] { answer(SaveAnswer{saved}); });
      },
      [](const std::string&) { return true; });
  test::DownloadServer files;
  files.add_file("/report.zip", {.size = 4'000'000, .cut_at = {}, .hold_at = 1'000'000});
  test::ScriptedDesktopServices services;
  WebKitBrowserFactory browsers;
  int quits = 0;
  Program program{services, browsers, folder.path(), [&] { ++quits; }};
  Form1& form = program.open_main_window(files.url("/report.zip"));
  ASSERT_TRUE(test::run_until([] { return download_windows().size() == 1; }));

  services.msgbox_answers = {msgbox::kAnswerCancel};
  form.mnuFileClose.activate();
  ASSERT_EQ(services.message_boxes.size(), 1U);
  EXPECT_EQ(services.message_boxes[0].prompt, kDownloadsRunningQuestion);
  EXPECT_TRUE(form.get_visible());
  EXPECT_FALSE(program.ended());
  EXPECT_EQ(quits, 0);
  files.release();
  EXPECT_TRUE(
      test::run_until([] { return downloads_in_progress() == 0; }, std::chrono::seconds(60)));
  EXPECT_TRUE(g_file_test(saved.c_str(), G_FILE_TEST_IS_REGULAR));
  for (DownloadWindow* shown : download_windows()) shown->cmdClose.clicked();
}

}  // namespace
}  // namespace kv
