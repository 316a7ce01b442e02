// What a private window leaves on disk besides the files the user chose to download: no
// entry in the desktop's recently used files, for its downloads and for the files its
// pages ask for, and no record of its downloads. Against the real engine and the real
// file dialogs, answered as a user answers them; a normal window shows that the checks
// see what the desktop keeps.
#include <glibmm/convert.h>
#include <glibmm/main.h>
#include <glibmm/miscutils.h>
#include <gtest/gtest.h>
#include <gtkmm/filechooserdialog.h>

#include <filesystem>

#include "desktop/unrecorded_file_chooser.h"
#include "desktop/user_paths.h"
#include "engine/downloads/download_window.h"
#include "engine/downloads/downloads.h"
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

constexpr std::size_t kSize = 300 * 1024;

std::string recent_files_path() {
  return std::string(g_get_user_data_dir()) + "/recently-used.xbel";
}

std::string unfinished_record_path() {
  return std::string(g_get_user_state_dir()) + "/kestrivane/unfinished-downloads";
}

bool exists(const std::string& path) {
  return g_file_test(path.c_str(), G_FILE_TEST_EXISTS) != FALSE;
}

// The recently used files as written, "-" when there is no such file.
std::string recent_files_text() {
  return exists(recent_files_path()) ? test::read_file(recent_files_path()) : "-";
}

// Whether the desktop's recently used files name `path`, written or about to be.
bool recently_used(const std::string& path) {
  const std::string uri = Glib::filename_to_uri(path);
  bool listed = false;
  GList* items = gtk_recent_manager_get_items(gtk_recent_manager_get_default());
  for (GList* item = items; item != nullptr; item = item->next) {
    auto* info = static_cast<GtkRecentInfo*>(item->data);
    listed = listed || uri == gtk_recent_info_get_uri(info);
    gtk_recent_info_unref(info);
  }
  g_list_free(items);
  return listed || (exists(recent_files_path()) &&
                    test::read_file(recent_files_path()).find(uri) != std::string::npos);
}

// The file dialog on screen: GTK's own or the program's, whichever the window uses.
Gtk::Dialog* shown_file_dialog() {
  for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
    auto* dialog = dynamic_cast<Gtk::Dialog*>(window);
    if (dialog == nullptr || !dialog->get_visible()) continue;
    if (dynamic_cast<Gtk::FileChooserDialog*>(dialog) != nullptr ||
        dynamic_cast<UnrecordedFileChooser*>(dialog) != nullptr) {
      return dialog;
    }
  }
  return nullptr;
}

Gtk::FileChooser* chooser_of(Gtk::Dialog* dialog) {
  if (auto* own = dynamic_cast<UnrecordedFileChooser*>(dialog)) return &own->chooser;
  return dynamic_cast<Gtk::FileChooserDialog*>(dialog);
}

class PrivateTraces : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove_all(download_dir());
    files.add_file("/report.zip", {kSize, true, {}, kSize / 2, "report.zip"});
    pages.add_page("/files.html",
                   "<title>Files</title><a id=get href='" + files.url("/report.zip") +
                       "'>Report</a><input type=file id=pick style='position:fixed;left:0;"
                       "top:100px;width:300px;height:60px' onchange='document.title = "
                       "\"picked \" + this.files[0].name'>");
  }

  void TearDown() override {
    while (Gtk::Dialog* dialog = shown_file_dialog()) dialog->response(Gtk::RESPONSE_CANCEL);
    cancel_all_downloads();
    for (DownloadWindow* window : download_windows()) window->cmdClose.clicked();
    run_until([] { return downloads_in_progress() == 0 && download_windows().empty(); });
  }

  // The user clicks the link and takes the name that the save dialog proposes with
  // Return; waits until the download's window shows and the transfer is halfway, held
  // there.
  static bool download_report(test::EngineWindow& window, test::DownloadServer& files,
                              std::size_t before) {
    test::click(*window.browser, 10, 10);
    Gtk::Dialog* dialog = nullptr;
    run_until([&] {
      dialog = shown_file_dialog();
      return dialog != nullptr &&
             chooser_of(dialog)->get_filename() == download_dir() + "/report.zip";
    });
    if (dialog == nullptr) return false;
    test::press_key(*dialog, GDK_KEY_Return);
    return run_until(
        [&] { return download_windows().size() == before + 1 && files.held() == before + 1; });
  }

  // The user clicks the page's file field, picks `path` in the dialog that comes, and
  // takes it with Return; waits until the page has it.
  static bool pick_file(test::EngineWindow& window, const std::string& path) {
    test::click(*window.browser, 50, 130);
    Gtk::Dialog* dialog = nullptr;
    if (!run_until([&] { return (dialog = shown_file_dialog()) != nullptr; })) return false;
    Gtk::FileChooser* chooser = chooser_of(dialog);
    // As a click on its row, once the dialog has read the folder.
    if (!run_until([&] {
          chooser->select_filename(path);
          return chooser->get_filename() == path;
        })) {
      return false;
    }
    test::press_key(*dialog, GDK_KEY_Return);
    return window.wait_for_title("picked " + Glib::path_get_basename(path));
  }

  test::LocalServer pages;
  test::DownloadServer files;
  test::TempDir folder;
};

TEST_F(PrivateTraces, ADownloadAndAFileAPageAskedForLeaveNoRecentFileAndNoRecord) {
  const std::string saved = download_dir() + "/report.zip";
  const std::string picked = folder.file("photo.jpg");
  test::write_bytes(picked, "a picture");
  const std::string recent_before = recent_files_text();
  {
    test::EngineWindow window(true);
    ASSERT_TRUE(window.load_uri(pages.url("/files.html")));
    ASSERT_TRUE(pick_file(window, picked));
    ASSERT_TRUE(download_report(window, files, 0));
    EXPECT_FALSE(exists(unfinished_record_path())) << test::read_file(unfinished_record_path());
    files.release();
    ASSERT_TRUE(run_until([&] { return exists(saved) && downloads_in_progress() == 0; }));
    EXPECT_TRUE(test::read_file(saved) == test::download_bytes(0, kSize));
    for (DownloadWindow* shown : download_windows()) shown->cmdClose.clicked();
  }
  EXPECT_FALSE(recently_used(picked));
  EXPECT_FALSE(recently_used(saved));
  EXPECT_EQ(recent_files_text(), recent_before) << "nothing was written";

  // A normal window keeps both in the recent files, and its download in the record
  // while it runs.
  std::filesystem::remove(saved);
  test::EngineWindow window;
  ASSERT_TRUE(window.load_uri(pages.url("/files.html")));
  ASSERT_TRUE(pick_file(window, picked));
  ASSERT_TRUE(download_report(window, files, 0));
  EXPECT_TRUE(exists(unfinished_record_path()));
  EXPECT_TRUE(recently_used(picked));
  EXPECT_TRUE(recently_used(saved));
}

// Save As holds the program until it is answered: the user's answer comes from a timer.
// The file it saved, once written.
std::string save_page_as(test::EngineWindow& window, const std::string& path) {
  sigc::connection answering = Glib::signal_timeout().connect(
      [path] {
        Gtk::Dialog* dialog = shown_file_dialog();
        if (dialog == nullptr) return true;
        chooser_of(dialog)->set_current_folder(Glib::path_get_dirname(path));
        chooser_of(dialog)->set_current_name(Glib::path_get_basename(path));
        test::press_key(*dialog, GDK_KEY_Return);
        return false;
      },
      50);
  window.browser->ExecWB(olecmd::kSaveAs, olecmd::kDoDefault);
  answering.disconnect();
  return run_until([&] { return exists(path) && !test::read_file(path).empty(); }) ? path : "";
}

TEST_F(PrivateTraces, APageSavedAsIsNotAmongTheRecentFiles) {
  const std::string recent_before = recent_files_text();
  {
    test::EngineWindow window(true);
    ASSERT_TRUE(window.load_uri(pages.url("/files.html")));
    const std::string saved = save_page_as(window, folder.file("private.mhtml"));
    ASSERT_FALSE(saved.empty());
    EXPECT_FALSE(recently_used(saved));
  }
  EXPECT_EQ(recent_files_text(), recent_before) << "nothing was written";

  test::EngineWindow window;
  ASSERT_TRUE(window.load_uri(pages.url("/files.html")));
  const std::string saved = save_page_as(window, folder.file("normal.mhtml"));
  ASSERT_FALSE(saved.empty());
  EXPECT_TRUE(recently_used(saved));
}

}  // namespace
}  // namespace kv
