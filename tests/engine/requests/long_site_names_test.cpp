// Site names as long as the DNS lets them be, wherever the program names a site: all of
// the name is on the screen, above all its end, which says whose site it is.
#include <gtkmm/infobar.h>
#include <gtkmm/overlay.h>

#include "engine/requests/full_screen_notice.h"
#include "engine/requests/login_save_question.h"
#include "engine/requests/permission_questions.h"
#include "engine/requests/script_dialog_box.h"
#include "engine/logins/login_forms.h"
#include "site_questions_fixture.h"
#include "support/loopback_engine.h"

namespace kv {
namespace {

// Four labels of sixty characters between a bank's name and the site that owns them.
const std::string kLongHost = "accounts.bank.example.com." + std::string(60, 'x') + "." +
                              std::string(60, 'y') + "." + std::string(60, 'z') + ".evil.example";

// Whether the whole of `label`'s text is drawn: nothing given up to an ellipsis, no line
// wider than the label, and the label within its window and the screen.
::testing::AssertionResult shows_whole(Gtk::Label& label) {
  if (!test::run_until([&] { return label.get_mapped() && label.get_allocated_width() > 1; })) {
    return ::testing::AssertionFailure() << "not on the screen";
  }
  PangoLayout* layout = label.get_layout()->gobj();
  if (pango_layout_is_ellipsized(layout) != FALSE) {
    return ::testing::AssertionFailure() << "cut: \"" << label.get_text() << "\"";
  }
  int text_width = 0;
  int text_height = 0;
  pango_layout_get_pixel_size(layout, &text_width, &text_height);
  if (text_width > label.get_allocated_width() || text_height > label.get_allocated_height()) {
    return ::testing::AssertionFailure()
           << "text of " << text_width << "x" << text_height << " in a label of "
           << label.get_allocated_width() << "x" << label.get_allocated_height();
  }
  Gtk::Widget* top = label.get_toplevel();
  int x = 0;
  int y = 0;
  label.translate_coordinates(*top, 0, 0, x, y);
  int left = 0;
  int above = 0;
  top->get_window()->get_origin(left, above);
  const int screen = label.get_screen()->get_width();
  if (x < 0 || x + label.get_allocated_width() > top->get_allocated_width() || left + x < 0 ||
      left + x + label.get_allocated_width() > screen) {
    return ::testing::AssertionFailure()
           << "placed from " << left + x << " to " << left + x + label.get_allocated_width()
           << " on a screen of " << screen;
  }
  return ::testing::AssertionSuccess();
}

class LongSiteNames : public SiteQuestions {
 protected:
  // Pages of the long host come from `site`, which stands in for the network.
  LongSiteNames() { test::route_engine_through(site.url("")); }
  ~LongSiteNames() override { test::keep_engine_on_loopback(); }

  std::string long_address(const std::string& path) const { return "http://" + kLongHost + path; }

  test::LocalServer site;
};

TEST_F(LongSiteNames, TheDialogBoxNamesAPageAndAFrameWhole) {
  site.add_page("/page.html", "<title>Long</title><script>alert('Hello')</script>");
  ScriptDialogBox& box = window.browser->script_dialogs();
  window.browser->Navigate(long_address("/page.html"));
  ASSERT_TRUE(test::run_until([&] { return box.shown(); }));
  EXPECT_EQ(box.lblScriptSite.get_text(), kLongHost + " says:");
  EXPECT_TRUE(shows_whole(box.lblScriptSite));
  box.cmdScriptOk.clicked();

  server.add_page("/framed.html", "<title>Framed</title><iframe src='" +
                                      long_address("/page.html") + "'></iframe>");
  window.browser->Navigate(server.url("/framed.html"));
  ASSERT_TRUE(test::run_until([&] { return box.shown(); }));
  EXPECT_EQ(box.lblScriptSite.get_text(), kLongHost + ", in a frame of this page, says:");
  EXPECT_TRUE(shows_whole(box.lblScriptSite));
  box.cmdScriptOk.clicked();
}

// The page hands the location to a frame of the long host, and asks itself.
TEST_F(LongSiteNames, TheQuestionBarNamesAFrameWholeAndKeepsItsButtonsOnTheScreen) {
  server.add_page("/handing.html", "<title>Handing</title><iframe allow='geolocation' src='" +
                                       long_address("/") + "'></iframe>");
  ASSERT_TRUE(window.load_uri(server.url("/handing.html")));
  window.eval("navigator.geolocation.getCurrentPosition(() => 0, () => 0); 0");
  ASSERT_TRUE(test::run_until([&] { return bars().size() == 1; }));
  auto* text = dynamic_cast<Gtk::Label*>(named(*bars().front(), "lblQuestion").front());
  EXPECT_EQ(text->get_text(), kLongHost + ", in a frame of " + origin_display_name(origin) +
                                  ", wants to know your location.");
  EXPECT_TRUE(shows_whole(*text));
  Gtk::Widget* allow = named(*bars().front(), "cmdAllow").front();
  int x = 0;
  int y = 0;
  ASSERT_TRUE(allow->translate_coordinates(window.window, 0, 0, x, y));
  EXPECT_LE(x + allow->get_allocated_width(), window.window.get_allocated_width());
  EXPECT_LE(window.window.get_allocated_width(), window.window.get_screen()->get_width());
}

// Keeps nothing, and has kept nothing for any site.
class EmptyStore : public LoginStore {
 public:
  void save(const SavedLogin& /*login*/, const std::string& /*password*/,
            std::function<void(bool)> done) override {
    done(false);
  }
  void find(const std::string& /*origin*/,
            std::function<void(std::optional<std::vector<SavedLogin>>)> done) override {
    done(std::vector<SavedLogin>{});
  }
  void password(const SavedLogin& /*login*/,
                std::function<void(std::optional<std::string>)> done) override {
    done(std::nullopt);
  }
  void remove(const SavedLogin& /*login*/, std::function<void(bool)> done) override { done(false); }
};

TEST_F(LongSiteNames, ThePasswordQuestionNamesTheSiteWhole) {
  // A view of its own: the window's control has its own sign-in forms on its view.
  const ObjectRef<WebKitWebView> own(WEBKIT_WEB_VIEW(g_object_ref_sink(webkit_web_view_new())));
  WebKitWebView* view = own.get();
  Gtk::Box area(Gtk::ORIENTATION_VERTICAL);
  PermissionQuestions bars(view, area);
  LoginForms forms(view);
  EmptyStore store;
  LoginSaveQuestion question(view, forms, bars, store);
  Gtk::Window shown;
  shown.set_default_size(800, 200);
  shown.add(area);
  shown.show_all();
  forms.submitted(SubmittedLogin{"http://" + kLongHost, "http://" + kLongHost, "alice", "pw"});
  std::vector<Gtk::Widget*> asked;
  ASSERT_TRUE(test::run_until([&] { return !(asked = named(area, "lblQuestion")).empty(); }));
  auto* text = dynamic_cast<Gtk::Label*>(asked.front());
  EXPECT_EQ(text->get_text(), "Save the password for " + kLongHost + "?");
  EXPECT_TRUE(shows_whole(*text));
}

TEST_F(LongSiteNames, TheFullScreenNoticeNamesTheSiteWhole) {
  Gtk::Overlay area;
  Gtk::Label page("the page");
  area.add(page);
  FullScreenNotice notice(area);
  Gtk::Window shown;
  shown.set_default_size(800, 600);
  shown.add(area);
  shown.show_all();
  notice.show_for(long_address("/video.html"));
  auto* site = dynamic_cast<Gtk::Label*>(named(area, "lblFullScreenSite").front());
  EXPECT_EQ(site->get_text(), kLongHost);
  EXPECT_TRUE(shows_whole(*site));
}

}  // namespace
}  // namespace kv
