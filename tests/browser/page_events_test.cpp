#include "browser/page_events.h"

#include <gtest/gtest.h>

#include "support/fake_form.h"
#include "support/run_until.h"

namespace kv {
namespace {

class PageEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    attach_page_events(f.form);
    f.web.location_url = "http://127.0.0.1:8080/page.html";
    f.web.location_name = "The Page";
  }
  test::FakeForm f;
};

TEST_F(PageEvents, EachEventWritesItsStatusText) {
  f.web.DownloadBegin.emit();
  EXPECT_EQ(f.form.lblStatus.get_text(), "Starting Download");
  f.web.ProgressChange.emit(50, 200);
  EXPECT_EQ(f.form.lblStatus.get_text(), "Reading 50  of  200");
  f.web.ProgressChange.emit(-1, 1000000);
  EXPECT_EQ(f.form.lblStatus.get_text(), "Reading -1  of  1000000");
  f.web.StatusTextChange.emit("http://example.org/?a=b&c");
  EXPECT_EQ(f.form.lblStatus.get_text(), "http://example.org/?a=b&c");
  f.web.StatusTextChange.emit("");
  EXPECT_EQ(f.form.lblStatus.get_text(), "");
  f.web.DownloadComplete.emit();
  EXPECT_EQ(f.form.lblStatus.get_text(), "Download Done!");
}

TEST_F(PageEvents, TitleBecomesTheCaptionTrimmedOfSpacesOnly) {
  f.web.TitleChange.emit("  Hello World  ");
  EXPECT_EQ(f.form.get_title(), "Hello World - Kestrivane (Beta)");
  f.web.TitleChange.emit("\tTabbed \n");
  EXPECT_EQ(f.form.get_title(), "\tTabbed \n - Kestrivane (Beta)");
  f.web.TitleChange.emit("    ");
  EXPECT_EQ(f.form.get_title(), " - Kestrivane (Beta)");
  f.web.TitleChange.emit("");
  EXPECT_EQ(f.form.get_title(), " - Kestrivane (Beta)");
  f.web.TitleChange.emit(" Ünïcödé ");
  EXPECT_EQ(f.form.get_title(), "Ünïcödé - Kestrivane (Beta)");
}

// Whether the box's text at `offset` (in characters) is drawn within its visible area.
bool shows_character(Gtk::Entry& entry, int offset) {
  PangoLayout* layout = gtk_entry_get_layout(entry.gobj());
  const char* text = pango_layout_get_text(layout);
  PangoRectangle at{};
  pango_layout_index_to_pos(layout, static_cast<int>(g_utf8_offset_to_pointer(text, offset) - text),
                            &at);
  int layout_x = 0;
  int layout_y = 0;
  gtk_entry_get_layout_offsets(entry.gobj(), &layout_x, &layout_y);
  GdkRectangle area{};
  gtk_entry_get_text_area(entry.gobj(), &area);
  const int x = layout_x + PANGO_PIXELS(at.x);
  return x >= area.x && x <= area.x + area.width;
}

// An address of a long host: the box shows where the host ends, which says whose site
// it is; an address that fits shows from its start.
TEST_F(PageEvents, TheAddressBoxShowsTheEndOfALongHost) {
  const std::string host = "accounts.bank.example.com." + std::string(60, 'x') + "." +
                           std::string(60, 'y') + "." + std::string(60, 'z') + ".evil.example";
  f.form.show();
  Gtk::Entry& address = f.form.cboURL_entry();
  f.web.location_url = "http://127.0.0.1:8080/page.html";
  f.web.DocumentComplete.emit(f.web.location_url);
  f.form.cmdGo.grab_focus();
  test::flush_events();
  f.web.location_url = "http://" + host + ":8080/sign-in?next=%2F";
  f.web.DocumentComplete.emit(f.web.location_url);
  ASSERT_TRUE(test::run_until([&] { return address.get_allocated_width() > 1; }));
  test::flush_events();
  const int host_end = static_cast<int>(std::string("http://").size() + host.size());
  EXPECT_TRUE(shows_character(address, host_end - 1)) << "the end of the host";
  EXPECT_EQ(address.get_text(), f.web.location_url) << "the whole address is kept";

  f.web.location_url = "http://127.0.0.1:8080/page.html";
  f.web.DocumentComplete.emit(f.web.location_url);
  test::flush_events();
  EXPECT_TRUE(shows_character(address, 0));
}

TEST_F(PageEvents, CompletionWritesThePageNameAndAddressReadFromTheControl) {
  f.web.TitleChange.emit("Title");
  f.web.NavigateComplete2.emit("http://frame.example/");
  EXPECT_EQ(f.form.lblStatus.get_text(), "Done Loading!");
  EXPECT_EQ(f.form.get_title(), "The Page");

  f.form.cboURL_entry().set_text("half-typed addr");
  f.web.TitleChange.emit("Title");
  f.web.location_name = "Renamed";
  f.web.DocumentComplete.emit("http://frame.example/");
  EXPECT_EQ(f.form.lblStatus.get_text(), "Done");
  // The bare page name, without the application title; the typed text is replaced.
  EXPECT_EQ(f.form.get_title(), "Renamed");
  EXPECT_EQ(f.form.cboURL_entry().get_text(), "http://127.0.0.1:8080/page.html");
  EXPECT_EQ(f.form.cboURL.get_model()->children().size(), 0U) << "the list is not touched";
}

TEST_F(PageEvents, AFailingPropertyReadSkipsOnlyThatStep) {
  f.web.refused.insert("LocationURL");
  f.form.cboURL_entry().set_text("kept");
  f.web.DocumentComplete.emit("");
  EXPECT_EQ(f.form.lblStatus.get_text(), "Done");
  EXPECT_EQ(f.form.cboURL_entry().get_text(), "kept");
  EXPECT_EQ(f.form.get_title(), "The Page");
}

TEST(PageEventsWindows, EventsOfOneWindowNeverTouchAnother) {
  test::FakeForm first;
  test::FakeForm second;
  attach_page_events(first.form);
  attach_page_events(second.form);
  const Glib::ustring first_title = first.form.get_title();
  second.web.location_url = "http://127.0.0.1/second";
  second.web.location_name = "Second";
  second.web.DownloadBegin.emit();
  second.web.TitleChange.emit("Second");
  second.web.DocumentComplete.emit("");
  EXPECT_EQ(second.form.get_title(), "Second");
  EXPECT_EQ(first.form.lblStatus.get_text(), "Done");
  EXPECT_EQ(first.form.get_title(), first_title);
  EXPECT_EQ(first.form.cboURL_entry().get_text(), "");
  EXPECT_TRUE(first.web.calls.empty());
}

}  // namespace
}  // namespace kv
