// Printing to PDF, the print preview window and saving pages, on the real engine.
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <gtk/gtkunixprint.h>

#include <filesystem>
#include <regex>

#include "engine/dialogs/webkit_print.h"
#include "engine/dialogs/webkit_print_preview.h"
#include "engine/dialogs/webkit_save.h"
#include "support/engine_window.h"
#include "support/file_bytes.h"
#include "support/run_until.h"
#include "support/temp_dir.h"
#include "support/widget_events.h"

namespace kv {
namespace {

constexpr const char* kPage =
    "<html><head><title>Print me</title></head>"
    "<body><h1>Quokka marmalade</h1><p>zebra crossing</p></body></html>";

// The number of matches of `word` in the view, once the engine has counted some.
guint count_matches(WebKitWebView* view, const char* word) {
  struct Counts {
    int answers = 0;
    guint last = 0;
  } counts;
  WebKitFindController* finder = webkit_web_view_get_find_controller(view);
  const gulong handler = g_signal_connect(
      finder, "counted-matches", G_CALLBACK(+[](WebKitFindController*, guint n, gpointer data) {
        auto* c = static_cast<Counts*>(data);
        c->last = n;
        ++c->answers;
      }),
      &counts);
  // The PDF viewer lays its text out some time after loading: ask again after each
  // answer of none, until one counts some.
  int asked = 0;
  test::run_until(
      [&] {
        if (counts.answers < asked) return false;
        if (counts.last > 0) return true;
        webkit_find_controller_count_matches(finder, word, WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE,
                                             100);
        ++asked;
        return false;
      },
      std::chrono::seconds(20));
  g_signal_handler_disconnect(finder, handler);
  return counts.last;
}

// Width and height of the PDF's first page, in points; 0 x 0 when it has none.
std::pair<double, double> first_page_size(const std::string& pdf) {
  std::smatch box;
  static const std::regex kMediaBox(R"(/MediaBox \[\s*0 0 ([0-9.]+) ([0-9.]+)\s*\])");
  if (!std::regex_search(pdf, box, kMediaBox)) return {0, 0};
  return {std::stod(box[1]), std::stod(box[2])};
}

// The page setup and print settings kept for the process, put back after a test.
class KeptPrintChoices : public ::testing::Test {
 protected:
  void TearDown() override {
    keep_page_setup(nullptr);
    keep_print_settings(nullptr);
  }

  static void keep_landscape() {
    GtkPageSetup* landscape = gtk_page_setup_new();
    gtk_page_setup_set_orientation(landscape, GTK_PAGE_ORIENTATION_LANDSCAPE);
    keep_page_setup(landscape);
    g_object_unref(landscape);
  }
};

// Presses Print in the print dialog as soon as it shows with a printer chosen.
class PrintDialogAnswer {
 public:
  PrintDialogAnswer() { source_ = g_timeout_add(20, answer, this); }
  PrintDialogAnswer(const PrintDialogAnswer&) = delete;
  PrintDialogAnswer& operator=(const PrintDialogAnswer&) = delete;
  PrintDialogAnswer(PrintDialogAnswer&&) = delete;
  PrintDialogAnswer& operator=(PrintDialogAnswer&&) = delete;
  ~PrintDialogAnswer() {
    if (source_ != 0) g_source_remove(source_);
  }

  GtkWindow* parent = nullptr;  // what the dialog was transient for

 private:
  static gboolean answer(gpointer self) {
    auto* me = static_cast<PrintDialogAnswer*>(self);
    GList* windows = gtk_window_list_toplevels();
    bool answered = false;
    for (GList* w = windows; w != nullptr && !answered; w = w->next) {
      if (!GTK_IS_PRINT_UNIX_DIALOG(w->data)) continue;
      auto* dialog = GTK_PRINT_UNIX_DIALOG(w->data);
      if (gtk_print_unix_dialog_get_selected_printer(dialog) == nullptr) continue;
      me->parent = gtk_window_get_transient_for(GTK_WINDOW(dialog));
      gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
      answered = true;
    }
    g_list_free(windows);
    if (!answered) return G_SOURCE_CONTINUE;
    me->source_ = 0;
    return G_SOURCE_REMOVE;
  }

  guint source_ = 0;
};

std::vector<PrintPreviewWindow*> previews() {
  return test::windows_of<PrintPreviewWindow>();
}

TEST(EnginePrint, PrintToPdfWritesAPdfFileOfThePage) {
  test::EngineWindow w;
  ASSERT_TRUE(w.load_html(kPage));
  test::TempDir dir;
  const std::string path = dir.file("out.pdf");
  std::optional<bool> result;
  print_to_pdf(w.view(), path, [&](bool ok) { result = ok; });
  ASSERT_TRUE(test::run_until([&] { return result.has_value(); }, std::chrono::seconds(30)));
  EXPECT_TRUE(*result);
  const std::string pdf = test::read_file(path);
  ASSERT_GT(pdf.size(), 1000U);
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
}

TEST_F(KeptPrintChoices, PrintToPdfFollowsTheKeptPageSetup) {
  test::EngineWindow w;
  ASSERT_TRUE(w.load_html(kPage));
  test::TempDir dir;
  std::optional<bool> result;
  print_to_pdf(w.view(), dir.file("portrait.pdf"), [&](bool ok) { result = ok; });
  ASSERT_TRUE(test::run_until([&] { return result.has_value(); }, std::chrono::seconds(30)));
  const auto [width, height] = first_page_size(test::read_file(dir.file("portrait.pdf")));
  EXPECT_LT(width, height);

  keep_landscape();
  result.reset();
  print_to_pdf(w.view(), dir.file("landscape.pdf"), [&](bool ok) { result = ok; });
  ASSERT_TRUE(test::run_until([&] { return result.has_value(); }, std::chrono::seconds(30)));
  ASSERT_TRUE(*result);
  const auto [landscape_width, landscape_height] =
      first_page_size(test::read_file(dir.file("landscape.pdf")));
  EXPECT_DOUBLE_EQ(landscape_width, height);
  EXPECT_DOUBLE_EQ(landscape_height, width);
}

TEST_F(KeptPrintChoices, ThePrintDialogPrintsThePageWithTheChosenSettingsAndKeepsThem) {
  test::EngineWindow w;
  ASSERT_TRUE(w.load_html(kPage));
  test::TempDir dir;
  const std::string path = dir.file("printed.pdf");
  GtkPrintSettings* settings = gtk_print_settings_new();
  gtk_print_settings_set_printer(settings, "Print to File");
  gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri);
  g_free(uri);
  keep_print_settings(settings);
  g_object_unref(settings);
  // Landscape: the engine's own dialog printed blank pages with it.
  keep_landscape();

  PrintDialogAnswer answer;
  w.browser->ExecWB(olecmd::kPrint, olecmd::kDoDefault);  // returns when the dialog closed
  EXPECT_EQ(answer.parent, GTK_WINDOW(w.window.gobj()));
  ASSERT_TRUE(test::run_until(
      [&] {
        return std::filesystem::exists(path) &&
               test::read_file(path).find("%%EOF") != std::string::npos;
      },
      std::chrono::seconds(30)));
  const std::string pdf = test::read_file(path);
  const auto [width, height] = first_page_size(pdf);
  EXPECT_GT(width, height);
  // Not a blank page: the page's words are there.
  test::EngineWindow viewer;
  gchar* pdf_uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  ASSERT_TRUE(viewer.load_uri(pdf_uri));
  g_free(pdf_uri);
  EXPECT_GT(count_matches(viewer.view(), "marmalade"), 0U);

  ASSERT_NE(kept_print_settings(), nullptr);
  EXPECT_STREQ(gtk_print_settings_get_printer(kept_print_settings()), "Print to File");
  ASSERT_NE(kept_page_setup(), nullptr);
  EXPECT_EQ(gtk_page_setup_get_orientation(kept_page_setup()), GTK_PAGE_ORIENTATION_LANDSCAPE);
}

TEST(EnginePrint, PrintToPdfWithoutAPageReportsFailureAndWritesNothing) {
  test::EngineWindow w;
  test::TempDir dir;
  const std::string path = dir.file("none.pdf");
  std::optional<bool> result;
  print_to_pdf(w.view(), path, [&](bool ok) { result = ok; });
  ASSERT_TRUE(result.has_value());
  EXPECT_FALSE(*result);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(EnginePrintPreview, ShowsThePrintedPageInItsOwnWindowAndRemovesTheFileOnClose) {
  test::EngineWindow w;
  ASSERT_TRUE(w.load_html(kPage));
  // The preview is named after the view's own title, which comes after the load.
  ASSERT_TRUE(w.wait_for_title("Print me"));
  ASSERT_TRUE(previews().empty());
  w.browser->ExecWB(olecmd::kPrintPreview, olecmd::kDoDefault, std::int16_t{0}, std::int16_t{0});
  ASSERT_TRUE(test::run_until([] { return !previews().empty(); }, std::chrono::seconds(30)));
  ASSERT_EQ(previews().size(), 1U);
  PrintPreviewWindow* preview = previews().front();
  EXPECT_EQ(preview->get_transient_for(), &w.window);
  EXPECT_EQ(preview->get_title(), "Print Preview - Print me");

  const std::string path = preview->pdf_path();
  EXPECT_EQ(test::read_file(path).substr(0, 5), "%PDF-");
  // The engine renders the PDF, and the page's words are in it.
  EXPECT_GT(count_matches(preview->view(), "marmalade"), 0U);
  EXPECT_GT(count_matches(preview->view(), "zebra crossing"), 0U);

  preview->close();
  EXPECT_TRUE(test::run_until([&] { return !std::filesystem::exists(path); }));
  EXPECT_TRUE(test::run_until([] { return previews().empty(); }));
}

TEST(EngineSave, FileNamesFromTitlesHoldNoForbiddenCharacters) {
  EXPECT_EQ(suggested_file_name("News: a/b \\ c?*"), "News_ a_b _ c__");
  EXPECT_EQ(suggested_file_name("  ..hidden. "), "hidden");
  EXPECT_EQ(suggested_file_name(""), "page");
  EXPECT_EQ(suggested_file_name("..."), "page");
  EXPECT_EQ(suggested_file_name("Grüße \"quoted\" <tag>|"), "Grüße _quoted_ _tag__");
  EXPECT_EQ(Glib::ustring(suggested_file_name(Glib::ustring(300, gunichar(0x00E9)))).size(), 120U);
}

class EngineSaveFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    page_path = dir.file("page.html");
    test::write_bytes(page_path, kPage);
    gchar* uri = g_filename_to_uri(page_path.c_str(), nullptr, nullptr);
    ASSERT_TRUE(w.load_uri(uri));
    g_free(uri);
  }

  bool save(void (*saver)(WebKitWebView*, const std::string&, std::function<void(bool)>),
            const std::string& path) {
    std::optional<bool> result;
    saver(w.view(), path, [&](bool ok) { result = ok; });
    return test::run_until([&] { return result.has_value(); }) && *result;
  }

  test::TempDir dir;
  std::string page_path;
  test::EngineWindow w;
};

TEST_F(EngineSaveFiles, WebPageCompleteWritesMhtmlWithThePage) {
  const std::string path = dir.file("saved.mhtml");
  ASSERT_TRUE(save(save_page_mhtml, path));
  const std::string saved = test::read_file(path);
  EXPECT_NE(saved.find("MIME-Version: 1.0"), std::string::npos);
  EXPECT_NE(saved.find("multipart/related"), std::string::npos);
  EXPECT_NE(saved.find("Quokka marmalade"), std::string::npos);
}

TEST_F(EngineSaveFiles, HtmlOnlyWritesTheDocumentAsReceivedAndReplacesAnOldFile) {
  const std::string path = dir.file("saved.html");
  test::write_bytes(path, "an older and much longer file that must not survive in any part");
  ASSERT_TRUE(save(save_page_html, path));
  EXPECT_EQ(test::read_file(path), kPage);
}

TEST_F(EngineSaveFiles, SavingIntoAMissingFolderFailsWithoutHarm) {
  EXPECT_FALSE(save(save_page_html, dir.file("missing/saved.html")));
  EXPECT_FALSE(save(save_page_mhtml, dir.file("missing/saved.mhtml")));
  EXPECT_EQ(test::read_file(page_path), kPage);
}

TEST(EngineSave, WithoutAPageNothingIsWritten) {
  test::EngineWindow w;
  test::TempDir dir;
  std::optional<bool> html;
  std::optional<bool> mhtml;
  save_page_html(w.view(), dir.file("a.html"), [&](bool ok) { html = ok; });
  save_page_mhtml(w.view(), dir.file("a.mhtml"), [&](bool ok) { mhtml = ok; });
  ASSERT_TRUE(test::run_until([&] { return html.has_value() && mhtml.has_value(); }));
  EXPECT_FALSE(*html);
  EXPECT_FALSE(*mhtml);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace kv
