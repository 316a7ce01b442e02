// Downloads on the real engine, from a local server: the save question, the partial
// file, the window's progress and end, and the page that stays.
#include "engine/downloads/downloads.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "desktop/user_paths.h"
#include "engine/downloads/download_files.h"
#include "engine/downloads/download_window.h"
#include "support/download_server.h"
#include "support/engine_window.h"
#include "support/file_bytes.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

using test::run_until;
using Names = std::set<std::string>;
constexpr std::size_t kMiB = 1024 * 1024;

Names files_in(const std::string& folder) {
  Names names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// Sizes are shown with a no-break space before the unit.
std::string plain(const Glib::ustring& text) {
  std::string spaced = text.raw();
  for (std::size_t at = 0; (at = spaced.find("\u00A0", at)) != std::string::npos;) {
    spaced.replace(at, 2, " ");
  }
  return spaced;
}

bool ended(const DownloadWindow& window) {
  return window.cmdClose.get_visible();
}

class DownloadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The save dialog answers from the main loop, as the real one does.
    use_download_desktop(
        [this](const SaveQuestion& question, auto answer) {
          questions.push_back(question);
          Glib::signal_idle().connect_once([answer, chosen = chosen] { answer(chosen); });
        },
        [this](const std::string& uri) {
          opened.push_back(uri);
          return open_works;
        });
    pages.add_page("/files.html", "<title>Files</title><a id='get' href='" +
                                      files.url("/report.zip") +
                                      "'>Report</a><script>var marker = 'still here';</script>");
    ASSERT_TRUE(test::navigate_and_wait(*window.browser, log, pages.url("/files.html")));
  }

  void TearDown() override {
    cancel_all_downloads();
    for (DownloadWindow* shown : download_windows()) shown->cmdClose.clicked();
    run_until([] { return downloads_in_progress() == 0 && download_windows().empty(); });
  }

  // Clicks the page's link to a file of `size` bytes and waits for its window.
  DownloadWindow* download(std::size_t size, std::optional<std::size_t> hold_at = {},
                           std::optional<std::size_t> cut_at = {}, bool announce_length = true) {
    files.add_file("/report.zip", {size, announce_length, cut_at, hold_at, "report.zip"});
    window.eval("document.getElementById('get').click()");
    if (!run_until([] { return download_windows().size() == 1; })) return nullptr;
    return download_windows().front();
  }

  bool page_unchanged() {
    return window.browser->LocationURL() == pages.url("/files.html") &&
           window.eval("marker") == "still here";
  }

  test::LocalServer pages;
  test::DownloadServer files;
  test::EngineWindow window;
  test::EventLog log{*window.browser};
  test::TempDir folder;
  std::optional<std::string> chosen = folder.file("report.zip");
  std::vector<SaveQuestion> questions;
  std::vector<std::string> opened;
  bool open_works = true;
};

TEST_F(DownloadsTest, FiftyMegabytesArriveWholeUnderTheChosenNameOnlyWhenComplete) {
  DownloadWindow* shown = download(50 * kMiB, kMiB);
  ASSERT_NE(shown, nullptr);
  ASSERT_EQ(questions.size(), 1U);
  EXPECT_EQ(questions[0].folder, download_dir());
  EXPECT_EQ(questions[0].file_name, "report.zip");
  EXPECT_EQ(questions[0].parent, GTK_WINDOW(window.window.gobj()));
  EXPECT_EQ(shown->lblFile.get_text().raw(), "report.zip");
  EXPECT_EQ(shown->lblSource.get_text().raw(), "From 127.0.0.1");

  // Midway: the progress against the total, and no file of the chosen name yet.
  ASSERT_TRUE(run_until([&] { return plain(shown->lblBytes.get_text()) == "1.0 MB of 52.4 MB"; }))
      << shown->lblBytes.get_text();
  EXPECT_NEAR(shown->barProgress.get_fraction(), 0.02, 0.001);
  const Names midway = files_in(folder.path());
  EXPECT_EQ(midway.count("report.zip"), 0U);
  EXPECT_TRUE(std::any_of(midway.begin(), midway.end(), [](const std::string& name) {
    return name.starts_with("report.zip.") && name.ends_with(".part");
  }));
  EXPECT_FALSE(shown->cmdOpen.get_visible());

  files.release();
  ASSERT_TRUE(run_until([&] { return ended(*shown); }, std::chrono::seconds(90)));
  EXPECT_EQ(shown->lblStatus.get_text().raw(), "Saved as " + *chosen);
  EXPECT_EQ(files_in(folder.path()), Names{"report.zip"});
  EXPECT_TRUE(test::read_file(*chosen) == test::download_bytes(0, 50 * kMiB));
  EXPECT_TRUE(page_unchanged());

  shown->cmdOpen.clicked();
  shown->cmdOpenFolder.clicked();
  EXPECT_EQ(opened, (std::vector<std::string>{"file://" + *chosen, "file://" + folder.path()}));
  shown->cmdClose.clicked();
  EXPECT_TRUE(download_windows().empty());
}

TEST_F(DownloadsTest, WithoutALengthTheBytesReceivedAreShownAlone) {
  DownloadWindow* shown = download(3 * kMiB, kMiB, {}, false);
  ASSERT_NE(shown, nullptr);
  ASSERT_TRUE(run_until([&] { return plain(shown->lblBytes.get_text()) == "1.0 MB received"; }))
      << shown->lblBytes.get_text();
  files.release();
  ASSERT_TRUE(run_until([&] { return ended(*shown); }));
  EXPECT_TRUE(test::read_file(*chosen) == test::download_bytes(0, 3 * kMiB));

  open_works = false;  // a file type that no program opens
  shown->cmdOpen.clicked();
  EXPECT_EQ(shown->lblStatus.get_text().raw(), "No program could open " + *chosen + ".");
}

TEST_F(DownloadsTest, ACutOffDownloadSaysWhyAndLeavesTheFileItWouldReplace) {
  test::write_bytes(*chosen, "the old report");
  DownloadWindow* shown = download(8 * kMiB, {}, 2 * kMiB);
  ASSERT_NE(shown, nullptr);
  ASSERT_TRUE(run_until([&] { return ended(*shown); }));
  EXPECT_TRUE(shown->lblStatus.get_text().raw().starts_with("The download failed: "))
      << shown->lblStatus.get_text();
  EXPECT_FALSE(shown->cmdOpen.get_visible());
  EXPECT_TRUE(run_until([&] { return files_in(folder.path()) == Names{"report.zip"}; }));
  EXPECT_EQ(test::read_file(*chosen), "the old report");
  EXPECT_TRUE(page_unchanged());
}

TEST_F(DownloadsTest, CancelInTheSaveDialogLeavesNoFileAndNoWindow) {
  chosen.reset();
  files.add_file("/report.zip", {2 * kMiB, true, {}, {}, "report.zip"});
  window.eval("document.getElementById('get').click()");
  ASSERT_TRUE(run_until([&] { return questions.size() == 1 && downloads_in_progress() == 0; }));
  test::flush_events();
  EXPECT_TRUE(download_windows().empty());
  EXPECT_TRUE(files_in(download_dir()).empty());
  EXPECT_TRUE(page_unchanged());
}

TEST_F(DownloadsTest, CancelMidwayClosesTheWindowAndRemovesThePartialFile) {
  DownloadWindow* shown = download(8 * kMiB, kMiB);
  ASSERT_NE(shown, nullptr);
  ASSERT_TRUE(run_until([&] { return files.held() == 1 && !files_in(folder.path()).empty(); }));
  shown->cmdCancel.clicked();
  EXPECT_TRUE(download_windows().empty());
  EXPECT_TRUE(run_until([&] { return downloads_in_progress() == 0; }));
  EXPECT_TRUE(run_until([&] { return files_in(folder.path()).empty(); }));
}

TEST_F(DownloadsTest, AFolderThatCannotTakeTheFileIsReportedAndTheDownloadEnds) {
  chosen = folder.file("missing/report.zip");
  DownloadWindow* shown = download(kMiB);
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(ended(*shown));
  EXPECT_TRUE(shown->lblStatus.get_text().raw().starts_with(
      "The download failed: the file could not be made in " + folder.file("missing")))
      << shown->lblStatus.get_text();
  EXPECT_TRUE(run_until([&] { return downloads_in_progress() == 0; }));
}

TEST(DownloadFileNameTest, KeepsTheLastPartWithoutWhatFileNamesCannotHold) {
  EXPECT_EQ(download_file_name("../../etc/passwd"), "passwd");
  EXPECT_EQ(download_file_name("C:\\files\\a:b?.txt"), "a_b_.txt");
  EXPECT_EQ(download_file_name(".hidden. "), "hidden");
  EXPECT_EQ(download_file_name("tab\there"), "tab_here");
  EXPECT_EQ(download_file_name("..."), "download");
  EXPECT_EQ(download_file_name("\xff\xfe.bin"), "download");
}

}  // namespace
}  // namespace kv
