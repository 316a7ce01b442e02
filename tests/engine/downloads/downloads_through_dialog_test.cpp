// Downloads on the real engine whose save question is the program's own save dialog,
// answered as a user answers it: the name it proposes, a row of its list, Return, and
// Replace when it asks.
#include <glibmm/main.h>
#include <gtest/gtest.h>
#include <gtkmm/filechooserdialog.h>
#include <gtkmm/messagedialog.h>

#include <filesystem>
#include <set>

#include "desktop/user_paths.h"
#include "engine/downloads/download_window.h"
#include "engine/downloads/downloads.h"
#include "support/download_server.h"
#include "support/engine_window.h"
#include "support/file_bytes.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/widget_events.h"

namespace kv {
namespace {

using test::run_until;
using Names = std::set<std::string>;

constexpr std::size_t kSize = 200 * 1024;

Names files_in(const std::string& folder) {
  Names names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

template <typename Dialog>
Dialog* shown() {
  for (auto* dialog : test::windows_of<Dialog>()) {
    if (dialog->get_visible()) return dialog;
  }
  return nullptr;
}

bool ended(const DownloadWindow& window) {
  return window.cmdClose.get_visible();
}

// The dialog's list of files, found among all its widgets, the toolkit's own included.
GtkTreeView* file_list(GtkWidget* root) {
  if (GTK_IS_TREE_VIEW(root)) {
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(root));
    if (model != nullptr && gtk_tree_model_get_n_columns(model) > 1) return GTK_TREE_VIEW(root);
  }
  if (!GTK_IS_CONTAINER(root)) return nullptr;
  GtkTreeView* found = nullptr;
  gtk_container_forall(
      GTK_CONTAINER(root),
      [](GtkWidget* child, gpointer found) {
        auto* list = static_cast<GtkTreeView**>(found);
        if (*list == nullptr) *list = file_list(child);
      },
      &found);
  return found;
}

// The user moves to the row of the file whose name satisfies `wanted` in the list, as
// with a click on it; false when no such row is shown.
bool pick_row(GtkTreeView* list, const std::function<bool(const std::string&)>& wanted) {
  GtkTreeModel* model = gtk_tree_view_get_model(list);
  GtkTreeIter row;
  for (gboolean more = gtk_tree_model_get_iter_first(model, &row); more != FALSE;
       more = gtk_tree_model_iter_next(model, &row)) {
    GValue value = G_VALUE_INIT;
    gtk_tree_model_get_value(model, &row, 0, &value);
    const char* name = G_VALUE_HOLDS_STRING(&value) ? g_value_get_string(&value) : nullptr;
    const bool picked = name != nullptr && wanted(name);
    g_value_unset(&value);
    if (!picked) continue;
    gtk_widget_grab_focus(GTK_WIDGET(list));
    GtkTreePath* path = gtk_tree_model_get_path(model, &row);
    gtk_tree_view_set_cursor(list, path, nullptr, FALSE);
    gtk_tree_path_free(path);
    return true;
  }
  return false;
}

class DownloadsThroughDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    pages.add_page("/files.html", "<title>Files</title>");
    ASSERT_TRUE(test::navigate_and_wait(*window.browser, log, pages.url("/files.html")));
  }

  void TearDown() override {
    // A dialog that a failed test left open answers Cancel.
    while (auto* dialog = shown<Gtk::FileChooserDialog>()) dialog->response(Gtk::RESPONSE_CANCEL);
    cancel_all_downloads();
    for (DownloadWindow* window : download_windows()) window->cmdClose.clicked();
    run_until([] { return downloads_in_progress() == 0 && download_windows().empty(); });
    std::filesystem::remove_all(folder);
  }

  // A file of kSize bytes named `name`, held halfway until release().
  void serve(const std::string& path, const std::string& name) {
    files.add_file(path, {kSize, true, {}, kSize / 2, name});
  }

  // The user's click on a link to `path` in the page; waits for the save dialog with its
  // folder read and its name field holding `name`.
  Gtk::FileChooserDialog* click_link_to(const std::string& path, const std::string& name) {
    GdkWindow* page = gtk_widget_get_window(GTK_WIDGET(window.view()));
    test::button_event(GDK_BUTTON_PRESS, page, 5, 5);
    test::release_button(page, 5, 5);
    window.eval("(() => { const a = document.createElement('a'); a.href = '" + files.url(path) +
                "'; document.body.append(a); a.click(); })()");
    Gtk::FileChooserDialog* dialog = nullptr;
    run_until([&] {
      dialog = shown<Gtk::FileChooserDialog>();
      return dialog != nullptr && dialog->get_filename() == download_dir() + "/" + name;
    });
    return dialog;
  }

  // Return in the dialog, and Replace when it asks; waits until it has answered. Whether
  // it asked.
  static bool press_return_and_replace(Gtk::FileChooserDialog& dialog) {
    bool asked = false;
    // GTK asks in a loop of its own: the answer comes from a timer.
    sigc::connection replacing = Glib::signal_timeout().connect(
        [&asked] {
          if (auto* question = shown<Gtk::MessageDialog>()) {
            asked = true;
            question->response(Gtk::RESPONSE_ACCEPT);
          }
          return true;
        },
        50);
    test::press_key(dialog, GDK_KEY_Return);
    run_until([&] { return shown<Gtk::FileChooserDialog>() != &dialog; });
    replacing.disconnect();
    return asked;
  }

  // Waits until `count` download windows have ended; their texts of where each was saved.
  static Names saved_as(std::size_t count) {
    run_until([&] {
      const auto windows = download_windows();
      return windows.size() == count &&
             std::all_of(windows.begin(), windows.end(), [](auto* w) { return ended(*w); });
    });
    Names said;
    for (DownloadWindow* window : download_windows()) said.insert(window->lblStatus.get_text());
    return said;
  }

  test::LocalServer pages;
  test::DownloadServer files;
  test::EngineWindow window;
  test::EventLog log{*window.browser};
  const std::string folder = download_dir();
};

// The list of the second download's dialog shows the first one's partial file; the user
// picks it there and agrees to replace it. The second download still ends under a name
// of its own, never under the temporary one.
TEST_F(DownloadsThroughDialog, ASecondDownloadOfOneNameEndsUnderANameOfItsOwnNeverAPartialOne) {
  serve("/first", "same.bin");
  serve("/second", "same.bin");
  Gtk::FileChooserDialog* dialog = click_link_to("/first", "same.bin");
  ASSERT_NE(dialog, nullptr);
  press_return_and_replace(*dialog);
  ASSERT_TRUE(run_until([&] { return files.held() == 1; }));

  dialog = click_link_to("/second", "same.bin");
  ASSERT_NE(dialog, nullptr);
  // The list is filled once the folder has been read.
  ASSERT_TRUE(run_until([&] {
    GtkTreeView* list = file_list(GTK_WIDGET(dialog->gobj()));
    return list != nullptr &&
           pick_row(list, [](const std::string& name) { return name.ends_with(".part"); });
  })) << "the first download's partial file is listed";
  ASSERT_TRUE(dialog->get_current_name().raw().ends_with(".part")) << dialog->get_current_name();
  EXPECT_TRUE(press_return_and_replace(*dialog)) << "the user agrees to replace it";
  ASSERT_TRUE(run_until([&] { return files.held() == 2; }));
  files.release();

  EXPECT_EQ(saved_as(2),
            (Names{"Saved as " + folder + "/same.bin", "Saved as " + folder + "/same (1).bin"}));
  EXPECT_EQ(files_in(folder), (Names{"same.bin", "same (1).bin"}));
  for (const char* name : {"same.bin", "same (1).bin"}) {
    EXPECT_TRUE(test::read_file(folder + "/" + name) == test::download_bytes(0, kSize)) << name;
  }
}

// While the downloads run, a file appears at one's free name, and a folder takes the
// place of the file that the other was to replace: each ends under a free name beside
// them, and what took its name is left as it is.
TEST_F(DownloadsThroughDialog, ANameTakenWhileTheDownloadRanIsLeftAndAFreeNameTaken) {
  test::write_bytes(folder + "/old.bin", "the user's old file");
  serve("/taken", "taken.bin");
  serve("/old", "old.bin");
  Gtk::FileChooserDialog* dialog = click_link_to("/taken", "taken.bin");
  ASSERT_NE(dialog, nullptr);
  press_return_and_replace(*dialog);
  dialog = click_link_to("/old", "old.bin");
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(press_return_and_replace(*dialog)) << "the user agrees to replace old.bin";
  ASSERT_TRUE(run_until([&] { return files.held() == 2; }));

  test::write_bytes(folder + "/taken.bin", "another program's file");
  std::filesystem::remove(folder + "/old.bin");
  std::filesystem::create_directory(folder + "/old.bin");
  test::write_bytes(folder + "/old.bin/inside", "kept");
  files.release();

  EXPECT_EQ(saved_as(2), (Names{"Saved as " + folder + "/taken (1).bin",
                                "Saved as " + folder + "/old (1).bin"}));
  EXPECT_EQ(files_in(folder), (Names{"taken.bin", "taken (1).bin", "old.bin", "old (1).bin"}));
  EXPECT_EQ(test::read_file(folder + "/taken.bin"), "another program's file");
  EXPECT_EQ(test::read_file(folder + "/old.bin/inside"), "kept");
  for (const char* name : {"taken (1).bin", "old (1).bin"}) {
    EXPECT_TRUE(test::read_file(folder + "/" + name) == test::download_bytes(0, kSize)) << name;
  }
}

}  // namespace
}  // namespace kv
