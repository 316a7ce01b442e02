// The Find and Properties dialogs of the browser control, on the real engine.
#include <gtest/gtest.h>

#include <string>

#include "engine/dialogs/webkit_find_dialog.h"
#include "engine/dialogs/webkit_properties_dialog.h"
#include "support/engine_window.h"
#include "support/file_bytes.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/temp_dir.h"
#include "support/widget_events.h"

namespace kv {
namespace {

constexpr const char* kWords =
    "<html><head><title>Animals</title></head>"
    "<body><p>zebra quokka zebra</p><p>Zebra crossing</p></body></html>";

std::vector<PagePropertiesDialog*> properties_dialogs() {
  return test::windows_of<PagePropertiesDialog>();
}

class EngineFind : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(w.load_html(kWords));
    w.browser->ExecWB(olecmd::kShowFind, olecmd::kDoDefault);
    dialog = find_dialog_for(w.view());
    ASSERT_NE(dialog, nullptr);
  }

  // Searches and waits for the dialog's answer.
  Glib::ustring search(const Glib::ustring& text, bool match_case, bool backwards = false) {
    dialog->status.set_text("");
    dialog->text.set_text(text);
    dialog->match_case.set_active(match_case);
    (backwards ? dialog->find_previous : dialog->find_next).clicked();
    test::run_until([&] { return !dialog->status.get_text().empty(); });
    return dialog->status.get_text();
  }

  test::EngineWindow w;
  FindDialog* dialog = nullptr;
};

TEST_F(EngineFind, TheDialogIsTheControlsOwnNonModalAndKeptForTheNextFind) {
  EXPECT_TRUE(dialog->get_visible());
  EXPECT_FALSE(dialog->get_modal());
  EXPECT_EQ(dialog->get_transient_for(), &w.window);
  dialog->close();
  EXPECT_TRUE(test::run_until([&] { return !dialog->get_visible(); }));
  w.browser->ExecWB(olecmd::kShowFind, olecmd::kDoDefault);
  EXPECT_EQ(find_dialog_for(w.view()), dialog);
  EXPECT_TRUE(dialog->get_visible());
}

TEST_F(EngineFind, FindsAndCountsAWordWithOrWithoutMatchingCase) {
  EXPECT_EQ(search("zebra", false), "3 matches");
  EXPECT_EQ(search("zebra", true), "2 matches");
  EXPECT_EQ(search("Zebra", true), "1 match");
  EXPECT_EQ(search("quokka", false, true), "1 match");
  EXPECT_EQ(webkit_find_controller_get_search_text(webkit_web_view_get_find_controller(w.view())),
            std::string("quokka"));
}

TEST_F(EngineFind, SaysWhenTheTextIsNotFoundAndThenFindsAgain) {
  EXPECT_EQ(search("giraffe", false), "Cannot find \"giraffe\".");
  EXPECT_EQ(search("ZEBRA", true), "Cannot find \"ZEBRA\".");
  EXPECT_EQ(search("crossing", false), "1 match");
}

TEST_F(EngineFind, AnEmptyTextSearchesNothing) {
  dialog->text.set_text("");
  dialog->find_next.clicked();
  dialog->find_previous.clicked();
  test::flush_events();
  EXPECT_EQ(dialog->status.get_text(), "");
  EXPECT_EQ(webkit_find_controller_get_search_text(webkit_web_view_get_find_controller(w.view())),
            nullptr);
}

TEST(EngineFindLifetime, TheDialogGoesWithItsControl) {
  auto w = std::make_unique<test::EngineWindow>();
  ASSERT_TRUE(w->load_html(kWords));
  w->browser->ExecWB(olecmd::kShowFind, olecmd::kDoDefault);
  FindDialog* dialog = find_dialog_for(w->view());
  ASSERT_NE(dialog, nullptr);
  const auto has_find_dialog = [] { return !test::windows_of<FindDialog>().empty(); };
  EXPECT_TRUE(has_find_dialog());
  w.reset();
  test::flush_events();
  EXPECT_FALSE(has_find_dialog());
}

TEST(EngineProperties, ShowsTitleAddressProtocolTypeSizeAndLastModifiedOfAServedPage) {
  const std::string body = kWords;
  test::LocalServer server;
  server.add_page("/page", body, "text/html");
  server.add_header("/page", "Last-Modified", "Tue, 05 Mar 2024 10:20:30 GMT");
  test::EngineWindow w;
  ASSERT_TRUE(w.load_uri(server.url("/page")));
  // The title reaches the view a moment after the load has finished.
  ASSERT_TRUE(test::run_until([&] { return w.browser->LocationName() == "Animals"; }));

  w.browser->ExecWB(olecmd::kProperties, olecmd::kDoDefault);
  ASSERT_EQ(properties_dialogs().size(), 1U);
  PagePropertiesDialog* dialog = properties_dialogs().front();
  EXPECT_EQ(dialog->get_transient_for(), &w.window);
  EXPECT_TRUE(dialog->get_modal());
  // The engine may report the title only after the dialog opened; it follows.
  EXPECT_TRUE(test::run_until([&] { return dialog->value_of("Title:") == "Animals"; }));
  EXPECT_EQ(dialog->value_of("Address:"), server.url("/page"));
  EXPECT_EQ(dialog->value_of("Protocol:"), "HyperText Transfer Protocol");
  EXPECT_EQ(dialog->value_of("Type:"), "text/html");
  const Glib::ustring size = Glib::ustring::compose("%1 bytes", body.size());
  EXPECT_TRUE(test::run_until([&] { return dialog->value_of("Size:") == size; }));
  // The date in the user's format; in the test's locale the year shows as 24.
  const Glib::ustring modified = dialog->value_of("Modified:");
  EXPECT_NE(modified, "Not available");
  EXPECT_TRUE(modified.find("24") != Glib::ustring::npos) << modified;

  dialog->response(Gtk::RESPONSE_OK);
  EXPECT_TRUE(test::run_until([] { return properties_dialogs().empty(); }));
}

TEST(EngineProperties, ALocalFileTellsItsProtocolAndModificationTime) {
  test::TempDir dir;
  const std::string path = dir.file("animals.html");
  test::write_bytes(path, kWords);
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  test::EngineWindow w;
  ASSERT_TRUE(w.load_uri(uri));
  const PageProperties properties = read_page_properties(w.view());
  EXPECT_EQ(properties.address, uri);
  EXPECT_EQ(properties.protocol, "File Protocol");
  EXPECT_EQ(properties.type, "text/html");
  EXPECT_FALSE(properties.last_modified.empty());
  g_free(uri);
}

TEST(EngineProperties, APageWithoutTitleOrHeadersShowsNotAvailable) {
  test::EngineWindow w;
  ASSERT_TRUE(w.load_html("<p>untitled</p>", "http://127.0.0.1/untitled"));
  w.browser->ExecWB(olecmd::kProperties, olecmd::kDoDefault);
  ASSERT_EQ(properties_dialogs().size(), 1U);
  PagePropertiesDialog* dialog = properties_dialogs().front();
  EXPECT_EQ(dialog->value_of("Title:"), "Not available");
  EXPECT_EQ(dialog->value_of("Modified:"), "Not available");
  EXPECT_EQ(dialog->value_of("Address:"), "http://127.0.0.1/untitled");
  // Closed before the size arrives: the late answer finds no dialog and harms nothing.
  dialog->close();
  EXPECT_TRUE(test::run_until([] { return properties_dialogs().empty(); }));
  test::flush_events();
}

}  // namespace
}  // namespace kv
