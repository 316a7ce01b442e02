// Downloads on the real engine, from a local server: the save question, the partial
// file, the window's progress and end, and the page that stays.
#include "engine/downloads/downloads.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "desktop/user_paths.h"
#include "engine/downloads/download_files.h"
#include "engine/downloads/download_run_question.h"
#include "engine/downloads/download_window.h"
#include "support/download_server.h"
#include "support/engine_window.h"
#include "support/file_bytes.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/temp_dir.h"
#include "support/widget_events.h"

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

// The record that a next start reads after a log-out or a crash.
std::string unfinished_record() {
  const std::string path = std::string(g_get_user_state_dir()) + "/kestrivane/unfinished-downloads";
  return g_file_test(path.c_str(), G_FILE_TEST_EXISTS) != FALSE ? test::read_file(path) : "";
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
          Glib::signal_idle().connect_once([answer, chosen = chosen, replace = replace] {
            answer(chosen ? std::optional<SaveAnswer>({*chosen, replace}) : std::nullopt);
          });
        },
        [this](const std::string& uri) {
          opened.push_back(uri);
          return open_works;
        },
        [this](const RunQuestion& question, auto answer) {
          run_questions.push_back(question);
          Glib::signal_idle().connect_once([answer, run = run_answer] { answer(run); });
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

  // A press of the user's in the page, as the display reports it.
  void press_in_page() {
    GdkWindow* page = gtk_widget_get_window(GTK_WIDGET(window.view()));
    test::button_event(GDK_BUTTON_PRESS, page, 5, 5);
    test::release_button(page, 5, 5);
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
  bool replace = false;  // the user agreed to replace a file there
  std::vector<SaveQuestion> questions;
  std::vector<std::string> opened;
  bool open_works = true;
  std::vector<RunQuestion> run_questions;
  bool run_answer = false;
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
  // A name of ours for what has arrived, which outlives the engine's after a crash.
  EXPECT_TRUE(std::any_of(midway.begin(), midway.end(),
                          [](const std::string& name) { return name.ends_with(".part.kept"); }));
  EXPECT_FALSE(shown->cmdOpen.get_visible());
  EXPECT_NE(unfinished_record().find("/report.zip."), std::string::npos) << unfinished_record();

  files.release();
  ASSERT_TRUE(run_until([&] { return ended(*shown); }, std::chrono::seconds(90)));
  EXPECT_EQ(shown->lblStatus.get_text().raw(), "Saved as " + *chosen);
  EXPECT_EQ(files_in(folder.path()), Names{"report.zip"});
  EXPECT_TRUE(test::read_file(*chosen) == test::download_bytes(0, 50 * kMiB));
  EXPECT_TRUE(page_unchanged());
  EXPECT_EQ(unfinished_record(), "");

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
  replace = true;
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

// Most servers send a file as bare bytes, not as an attachment; only the top page's own
// address may start a download, never a frame of a page.
TEST_F(DownloadsTest, BareBytesAtThePagesAddressAreAskedAboutButNotInAFrame) {
  files.add_file("/setup.bin", {kMiB, true, {}, {}, "", false});
  pages.add_page("/framed.html",
                 "<title>Framed</title><iframe src='" + files.url("/setup.bin") + "'></iframe>");
  ASSERT_TRUE(test::navigate_and_wait(*window.browser, log, pages.url("/framed.html")));
  test::flush_events();
  EXPECT_TRUE(questions.empty()) << "a frame started a download";

  window.browser->Navigate(files.url("/setup.bin"));
  ASSERT_TRUE(run_until([&] { return questions.size() == 1; }));
  EXPECT_EQ(questions[0].file_name, "setup.bin");
  ASSERT_TRUE(run_until([] { return download_windows().size() == 1; }));
  EXPECT_TRUE(run_until([&] { return ended(*download_windows().front()); }));
  EXPECT_EQ(test::read_file(*chosen), test::download_bytes(0, kMiB));
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
  EXPECT_NE(unfinished_record(), "");
  shown->cmdCancel.clicked();
  EXPECT_EQ(unfinished_record(), "");
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

// A page that starts a download by script each time the last was answered: one save
// question, and another only after the user's own press in the page or navigation.
TEST_F(DownloadsTest, APageStartsOneDownloadUnaskedAndMoreOnlyAfterTheUsersPress) {
  chosen.reset();  // every question is answered Cancel
  files.add_file("/spam.bin", {1024, true, {}, {}, "spam.bin"});
  const std::string another = "(() => { const a = document.createElement('a'); a.href = '" +
                              files.url("/spam.bin") +
                              "'; a.download = 'spam'; document.body.append(a); a.click(); })()";
  int started = 0;
  const gulong counting =
      g_signal_connect(webkit_web_view_get_context(window.view()), "download-started",
                       G_CALLBACK(+[](WebKitWebContext*, WebKitDownload*, gpointer count) {
                         ++*static_cast<int*>(count);
                       }),
                       &started);
  window.eval(another);
  ASSERT_TRUE(run_until([&] { return questions.size() == 1; }));
  window.eval(another);
  ASSERT_TRUE(run_until([&] { return started == 2 && downloads_in_progress() == 0; }));
  EXPECT_EQ(questions.size(), 1U);
  g_signal_handler_disconnect(webkit_web_view_get_context(window.view()), counting);

  press_in_page();
  window.eval(another);
  ASSERT_TRUE(run_until([&] { return questions.size() == 2; }));
  window.browser->Navigate(files.url("/spam.bin"));
  ASSERT_TRUE(run_until([&] { return questions.size() == 3; }));
  EXPECT_TRUE(page_unchanged());
}

// Both were asked about while the name was free; the second must not replace the first.
TEST_F(DownloadsTest, TwoDownloadsOfOneNameKeepBothFilesAndAProgramAsksBeforeItOpens) {
  chosen = folder.file("same.desktop");
  for (const char* path : {"/first", "/second"}) {
    files.add_file(path, {kMiB + 1, true, {}, kMiB / 2, "same.desktop"});
    press_in_page();  // the user's click on each link
    window.eval("(() => { const a = document.createElement('a'); a.href = '" + files.url(path) +
                "'; document.body.append(a); a.click(); })()");
    const std::size_t started = path[1] == 'f' ? 1U : 2U;
    ASSERT_TRUE(run_until([&] { return files.held() == started; }));
    ASSERT_TRUE(run_until([&] { return download_windows().size() == started; }));
  }
  files.release();
  ASSERT_TRUE(run_until([&] {
    const auto shown = download_windows();
    return shown.size() == 2 && ended(*shown[0]) && ended(*shown[1]);
  }));
  EXPECT_EQ(files_in(folder.path()), (Names{"same.desktop", "same (1).desktop"}));
  const std::string second = folder.file("same (1).desktop");
  for (const std::string& path : {*chosen, second}) {
    EXPECT_TRUE(test::read_file(path) == test::download_bytes(0, kMiB + 1)) << path;
  }
  const Names said = {download_windows()[0]->lblStatus.get_text().raw(),
                      download_windows()[1]->lblStatus.get_text().raw()};
  EXPECT_EQ(said, (Names{"Saved as " + *chosen, "Saved as " + second}));

  // A launcher runs a program when opened: asked first, and Cancel opens nothing.
  DownloadWindow* shown = download_windows()[0];
  shown->cmdOpen.clicked();
  ASSERT_TRUE(run_until([&] { return run_questions.size() == 1; }));
  test::flush_events();
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(run_questions[0].parent, GTK_WINDOW(shown->gobj()));
  EXPECT_FALSE(run_questions[0].type.empty());
  run_answer = true;
  shown->cmdOpen.clicked();
  ASSERT_TRUE(run_until([&] { return opened.size() == 1; }));
  EXPECT_EQ(opened[0], "file://" + run_questions[1].path);
}

TEST(DownloadWindowTest, KeepsItsWidthForAnyNameAndShowsTheWholeNameOnRequest) {
  const auto width_for = [](const std::string& name, const std::string& path) {
    DownloadWindow window(name, "127.0.0.1");
    window.show_done(path, 1);
    window.show();
    test::flush_events();
    return window.get_width();
  };
  std::string long_name(190, 'w');
  long_name += ".bin";
  const int usual = width_for("a.bin", "/tmp/a.bin");
  EXPECT_EQ(width_for(long_name, "/tmp/" + long_name), usual);
  DownloadWindow window(long_name, "127.0.0.1");
  EXPECT_EQ(window.lblFile.get_tooltip_text().raw(), long_name);
}

TEST(ProgramFileTest, ProgramsAreKnownByNameOrContentOtherFilesAreNot) {
  test::TempDir dir;
  const auto type_of = [&](const std::string& name, const std::string& bytes) {
    test::write_bytes(dir.file(name), bytes);
    return program_file_type(dir.file(name));
  };
  EXPECT_TRUE(type_of("run.sh", "echo hi\n"));
  EXPECT_TRUE(type_of("notes.txt", "#!/bin/sh\nrm -rf ~\n")) << "a script by its first line";
  std::string elf(64, '\0');
  elf.replace(0, 7,
              "\x7f"
              "ELF\x02\x01\x01");
  elf[16] = 2;  // an executable
  EXPECT_TRUE(type_of("photo.jpg", elf)) << "an executable by its content";
  EXPECT_TRUE(type_of("app.desktop", "[Desktop Entry]\nExec=sh\n"));
  EXPECT_FALSE(type_of("notes.txt", "plain words\n"));
  EXPECT_FALSE(type_of("report.zip", test::download_bytes(0, 4096)));
  EXPECT_FALSE(program_file_type(dir.file("missing.bin")));
}

TEST(DownloadFileNameTest, KeepsTheLastPartWithoutWhatFileNamesCannotHold) {
  EXPECT_EQ(download_file_name("../../etc/passwd"), "passwd");
  EXPECT_EQ(download_file_name("C:\\files\\a:b?.txt"), "a_b_.txt");
  EXPECT_EQ(download_file_name(".hidden. "), "hidden");
  EXPECT_EQ(download_file_name("tab\there"), "tab_here");
  EXPECT_EQ(download_file_name("..."), "download");
  EXPECT_EQ(download_file_name("\xff\xfe.bin"), "download");
}

TEST(DownloadFileNameTest, NoControlOrDirectionTrickAndNoNameTooLongForTheFileSystem) {
  // U+202E would show "invoice_fdp.exe" as "invoice_exe.pdf".
  EXPECT_EQ(download_file_name("invoice_\u202Efdp.exe"), "invoice__fdp.exe");
  EXPECT_EQ(download_file_name("a\u2066b\u2069c\u202Ad\u200F.txt"), "a_b_c_d_.txt");
  EXPECT_EQ(download_file_name("next\u0085line\u009B.txt"), "next_line_.txt");
  EXPECT_EQ(download_file_name("caf\u00E9 \u65E5\u672C.txt"), "caf\u00E9 \u65E5\u672C.txt");

  const std::string cut = download_file_name(std::string(300, 'a') + ".pdf");
  EXPECT_EQ(cut, std::string(196, 'a') + ".pdf");
  std::string wide;
  for (int i = 0; i < 100; ++i) wide += "\u65E5";  // three bytes each
  const std::string cut_wide = download_file_name(wide + ".tar.gz");
  EXPECT_LE(cut_wide.size(), 200U);
  EXPECT_TRUE(cut_wide.ends_with("\u65E5.gz")) << "cut between characters, extension kept";
  EXPECT_TRUE(g_utf8_validate(cut_wide.c_str(), -1, nullptr));
}

}  // namespace
}  // namespace kv
