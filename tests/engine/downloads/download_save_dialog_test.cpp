// The GTK save dialog of downloads, answered as a user would.
#include "engine/downloads/download_save_dialog.h"

#include <glibmm/main.h>
#include <gtest/gtest.h>
#include <gtkmm/filechooserdialog.h>
#include <gtkmm/messagedialog.h>

#include <optional>
#include <string>

#include "support/file_bytes.h"
#include "support/run_until.h"
#include "support/temp_dir.h"
#include "support/widget_events.h"

namespace kv {
namespace {

Gtk::FileChooserDialog* shown_dialog() {
  for (auto* dialog : test::windows_of<Gtk::FileChooserDialog>()) {
    if (dialog->get_visible()) return dialog;
  }
  return nullptr;
}

struct Answers {
  int count = 0;
  std::optional<SaveAnswer> last;
};

Gtk::FileChooserDialog* ask(const SaveQuestion& question, Answers& answers) {
  run_download_save_dialog(question, [&answers](std::optional<SaveAnswer> chosen) {
    ++answers.count;
    answers.last = std::move(chosen);
  });
  test::run_until([] { return shown_dialog() != nullptr; });
  return shown_dialog();
}

TEST(DownloadSaveDialogTest, OffersTheNameInTheFolderAsksBeforeReplacingAndAnswersOnce) {
  test::TempDir folder;
  test::write_bytes(folder.file("report.zip"), "an older report");
  Gtk::Window parent;
  parent.show();
  Answers answers;
  Gtk::FileChooserDialog* dialog =
      ask({GTK_WINDOW(parent.gobj()), folder.path(), "report.zip"}, answers);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->get_transient_for(), &parent);
  EXPECT_EQ(dialog->get_current_name(), "report.zip");
  // The chooser reads the folder in the background.
  EXPECT_TRUE(test::run_until([&] { return dialog->get_filename() == folder.file("report.zip"); }))
      << dialog->get_filename();
  EXPECT_EQ(answers.count, 0) << "waits for the user";

  // Saving over a file that is there asks first; "Replace" goes on.
  Glib::ustring asked;
  int tries = 0;
  Glib::signal_timeout().connect(
      [&] {
        for (auto* confirm : test::windows_of<Gtk::MessageDialog>()) {
          if (!confirm->get_visible()) continue;
          asked = confirm->property_text();
          EXPECT_EQ(answers.count, 0) << "not before the user confirmed";
          confirm->response(Gtk::RESPONSE_ACCEPT);
          return false;
        }
        return ++tries < 100;
      },
      50);
  dialog->response(Gtk::RESPONSE_ACCEPT);
  EXPECT_TRUE(test::run_until([&] { return answers.count == 1; }));
  EXPECT_NE(asked.raw().find("already exists"), std::string::npos) << asked;
  ASSERT_TRUE(answers.last);
  EXPECT_EQ(answers.last->path, folder.file("report.zip"));
  EXPECT_TRUE(answers.last->replace) << "the user agreed to replace it";
  dialog->response(Gtk::RESPONSE_CANCEL);
  EXPECT_EQ(answers.count, 1) << "a dialog answers once";
  EXPECT_TRUE(test::run_until([] { return shown_dialog() == nullptr; }));
}

TEST(DownloadSaveDialogTest, CancelAnswersNothingAndAFreeNameReplacesNothing) {
  test::TempDir folder;
  Answers answers;
  Gtk::FileChooserDialog* dialog = ask({nullptr, folder.path(), "report.zip"}, answers);
  ASSERT_NE(dialog, nullptr);
  dialog->response(Gtk::RESPONSE_CANCEL);
  EXPECT_EQ(answers.count, 1);
  EXPECT_FALSE(answers.last.has_value());

  Answers saved;
  dialog = ask({nullptr, folder.path(), "report.zip"}, saved);
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(test::run_until([&] { return dialog->get_filename() == folder.file("report.zip"); }));
  dialog->response(Gtk::RESPONSE_ACCEPT);
  ASSERT_TRUE(test::run_until([&] { return saved.count == 1; }));
  ASSERT_TRUE(saved.last);
  EXPECT_EQ(saved.last->path, folder.file("report.zip"));
  EXPECT_FALSE(saved.last->replace);
}

}  // namespace
}  // namespace kv
