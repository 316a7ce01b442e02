#include "engine/filters/content_blocking.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <gtkmm/window.h>

#include <string>

#include "desktop/glib_handles.h"
#include "engine/control/content_blocking_views.h"
#include "engine/control/web_engine.h"
#include "engine/filters/subscriptions.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/run_until.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

using test::LocalServer;
using test::run_until;

constexpr const char* kPage = R"(<html><head><title>news</title>
<script src="/ads/track.js"></script>
<script src="/ads/partner.js"></script>
<script src="/story.js"></script>
</head><body>
<img id="banner" src="/ads/banner.png">
<div class="ad-slot" id="slot">ad</div>
<p id="text">story</p>
</body></html>)";

// A view of its own in a shown window, with the filters of `blocking`.
class FilteredView {
 public:
  explicit FilteredView(ContentBlocking& blocking) {
    view_.reset(WEBKIT_WEB_VIEW(g_object_ref_sink(
        g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", shared_web_context(), nullptr))));
    gtk_container_add(GTK_CONTAINER(window_.gobj()), GTK_WIDGET(view_.get()));
    window_.set_default_size(400, 300);
    window_.show_all();
    follow_content_blocking(view_.get(), blocking);
  }
  WebKitWebView* view() { return view_.get(); }

 private:
  Gtk::Window window_;
  ObjectRef<WebKitWebView> view_;
};

class ContentBlockingTest : public ::testing::Test {
 protected:
  ContentBlockingTest() {
    places.user_dir = dir.file("filters");
    places.cache_dir = dir.file("cache");
    places.store_dir = dir.file("store");
    g_mkdir_with_parents(places.user_dir.c_str(), 0700);
    server.add_page("/news.html", kPage);
    for (const char* script : {"/ads/track.js", "/ads/partner.js", "/story.js"})
      server.add_page(script, "var loaded = true;", "text/javascript");
    server.add_page("/ads/banner.png", "png", "image/png");
  }

  void write(const std::string& name, const std::string& text) {
    ASSERT_TRUE(
        g_file_set_contents((places.user_dir + "/" + name).c_str(), text.c_str(), -1, nullptr));
  }

  // Starts blocking and waits until every list has been compiled or given up.
  ContentBlocking& started(std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    blocking = std::make_unique<ContentBlocking>(places, dir.file("settings.ini"));
    blocking->start();
    EXPECT_TRUE(run_until([&] { return !blocking->reports().empty(); }, limit));
    return *blocking;
  }

  bool load_news(WebKitWebView* view) {
    return test::load_uri_and_wait(view, server.url("/news.html"));
  }

  test::TempDir dir;
  FilterPlaces places;
  LocalServer server;
  std::unique_ptr<ContentBlocking> blocking;
};

TEST_F(ContentBlockingTest, ListBlocksScriptAndImageHidesElementAndKeepsTheException) {
  write("mine.txt",
        "! blocks the ad folder but for the partner's script\n"
        "||127.0.0.1^*/ads/$script,image\n"
        "@@/ads/partner.js\n"
        "##.ad-slot\n");
  FilteredView shown(started());
  ASSERT_EQ(blocking->reports().size(), 1U);
  EXPECT_TRUE(blocking->reports()[0].in_use);
  EXPECT_EQ(blocking->reports()[0].converted.at("block"), 1U);

  ASSERT_TRUE(load_news(shown.view()));
  EXPECT_EQ(server.requests("/ads/track.js"), 0);
  EXPECT_EQ(server.requests("/ads/banner.png"), 0);
  EXPECT_EQ(server.requests("/ads/partner.js"), 1);
  EXPECT_EQ(server.requests("/story.js"), 1);
  EXPECT_EQ(test::eval_js(shown.view(), "getComputedStyle(slot).display"), "none");
  EXPECT_EQ(test::eval_js(shown.view(), "getComputedStyle(text).display"), "block");

  // An allowed site, written while the view is open, is followed at once.
  ASSERT_TRUE(g_file_set_contents(dir.file("settings.ini").c_str(),
                                  "[Content blocking]\nAllowedSites=127.0.0.1;\n", -1, nullptr));
  ASSERT_TRUE(run_until([&] { return !blocking->settings().allowed_sites.empty(); }));
  ASSERT_TRUE(load_news(shown.view()));
  EXPECT_EQ(server.requests("/ads/track.js"), 1);
  EXPECT_EQ(test::eval_js(shown.view(), "getComputedStyle(slot).display"), "block");
}

TEST_F(ContentBlockingTest, ListWithARuleTheEngineRejectsStillBlocksWithTheOthers) {
  write("engine.json",
        R"x([{"trigger":{"url-filter":"track\\.js"},"action":{"type":"block"}},
            {"trigger":{"url-filter":"ads/(a|b)"},"action":{"type":"block"}},
            {"trigger":{"url-filter":"banner"},"action":{"type":"block"}}])x");
  write("broken.json", "[{\"trigger\": ");
  FilteredView shown(started());
  ASSERT_EQ(blocking->reports().size(), 2U);
  const ListReport& broken = blocking->reports()[0];
  const ListReport& engine = blocking->reports()[1];
  EXPECT_FALSE(broken.in_use);
  EXPECT_TRUE(engine.in_use);
  EXPECT_EQ(engine.rejected, 1U);

  ASSERT_TRUE(load_news(shown.view()));
  EXPECT_EQ(server.requests("/ads/track.js"), 0);
  EXPECT_EQ(server.requests("/ads/banner.png"), 0);
  EXPECT_EQ(server.requests("/story.js"), 1);

  // A later start finds the list compiled, with its counts.
  blocking.reset();
  ContentBlocking& again = started();
  EXPECT_EQ(again.reports()[1].rejected, 1U);
  EXPECT_EQ(again.filters().size(), 1U);
}

TEST_F(ContentBlockingTest, PopUpOnAnAllowedSiteLeavesItsOpenerFiltered) {
  write("mine.txt", "/ads/\n");
  ASSERT_TRUE(g_file_set_contents(dir.file("settings.ini").c_str(),
                                  "[Content blocking]\nAllowedSites=localhost;\n", -1, nullptr));
  server.add_page("/ads/late.js", "", "text/javascript");
  server.add_page("/ads/own.js", "", "text/javascript");
  FilteredView opener(started());
  ASSERT_TRUE(load_news(opener.view()));
  ASSERT_EQ(server.requests("/ads/track.js"), 0);

  // The window is made as the control makes it for a page's request: a related view.
  struct PopUp {
    ContentBlocking* blocking = nullptr;
    Gtk::Window window;
    ObjectRef<WebKitWebView> view;
  } pop_up;
  pop_up.blocking = blocking.get();
  webkit_settings_set_javascript_can_open_windows_automatically(
      webkit_web_view_get_settings(opener.view()), TRUE);
  g_signal_connect(
      opener.view(), "create",
      G_CALLBACK(+[](WebKitWebView* view, WebKitNavigationAction*, gpointer data) -> GtkWidget* {
        auto* made = static_cast<PopUp*>(data);
        made->view.reset(
            WEBKIT_WEB_VIEW(g_object_ref_sink(webkit_web_view_new_with_related_view(view))));
        gtk_container_add(GTK_CONTAINER(made->window.gobj()), GTK_WIDGET(made->view.get()));
        made->window.show_all();
        follow_content_blocking(made->view.get(), *made->blocking);
        return GTK_WIDGET(made->view.get());
      }),
      &pop_up);
  const std::string allowed = "http://localhost:" + std::to_string(server.port()) + "/news.html";
  test::eval_js(opener.view(), "window.open('" + allowed + "'); 0");
  ASSERT_TRUE(run_until([&] {
    const char* uri = pop_up.view ? webkit_web_view_get_uri(pop_up.view.get()) : nullptr;
    return uri != nullptr && allowed == uri && !webkit_web_view_is_loading(pop_up.view.get());
  }));

  test::eval_js(opener.view(),
                "fetch('/ads/late.js').then(() => document.title = 'loaded', "
                "() => document.title = 'blocked'); 0");
  EXPECT_TRUE(test::wait_for_title(opener.view(), "blocked"));
  EXPECT_EQ(server.requests("/ads/late.js"), 0);
}

TEST_F(ContentBlockingTest, ListPastTheEngineLimitIsUsedWholeInPartsAndStored) {
  // The partner's script is blocked in the first part and let through by an exception
  // that the converter puts after all 150,002 blocks.
  std::string text = "/ads/banner.png\n/ads/partner.js\n@@/ads/partner.js\n";
  for (int i = 0; i < 150000; ++i) text += "/f" + std::to_string(i) + ".js\n";
  text += "/ads/track.js\n";
  write("big.txt", text);
  FilteredView shown(started(std::chrono::minutes(4)));
  const ListReport& report = blocking->reports().at(0);
  EXPECT_TRUE(report.in_use);
  EXPECT_EQ(report.parts, 2U);
  EXPECT_EQ(report.rejected + report.left_out, 0U);
  ASSERT_TRUE(load_news(shown.view()));
  EXPECT_EQ(server.requests("/ads/banner.png"), 0);
  EXPECT_EQ(server.requests("/ads/track.js"), 0);
  EXPECT_EQ(server.requests("/ads/partner.js"), 1);

  blocking.reset();
  CompiledFilters again(places.store_dir);
  std::size_t parts = 0;
  bool stored = false;
  again.load({"big.txt", places.user_dir + "/big.txt"}, nullptr,
             [&](std::vector<OwnedFilter> filters, ListReport, bool was_stored) {
               parts = filters.size();
               stored = was_stored;
             });
  ASSERT_TRUE(run_until([&] { return parts > 0; }));
  EXPECT_TRUE(stored);
  EXPECT_EQ(parts, 2U);
  EXPECT_EQ(again.compiles(), 0U);
}

TEST_F(ContentBlockingTest, RulesTheEngineRefusedAreNotAskedAboutAgain) {
  write("refused.json", R"x([{"trigger":{"url-filter":"a(b|c)"},"action":{"type":"block"}},
                             {"trigger":{"url-filter":"d(e|f)"},"action":{"type":"block"}},
                             {"trigger":{"url-filter":"g{2}"},"action":{"type":"block"}}])x");
  const auto load = [&](CompiledFilters& compiled) {
    ListReport got;
    bool ready = false;
    compiled.load({"refused.json", places.user_dir + "/refused.json", true}, nullptr,
                  [&](std::vector<OwnedFilter>, ListReport report, bool) {
                    got = std::move(report);
                    ready = true;
                  });
    EXPECT_TRUE(run_until([&] { return ready; }, std::chrono::seconds(60)));
    return got;
  };
  CompiledFilters first(places.store_dir);
  EXPECT_EQ(load(first).rejected, 3U);
  EXPECT_GT(first.compiles(), 1U);

  CompiledFilters later(places.store_dir);
  const ListReport report = load(later);
  EXPECT_FALSE(report.in_use);
  EXPECT_EQ(report.rejected, 3U);
  EXPECT_EQ(later.compiles(), 0U);
}

TEST_F(ContentBlockingTest, SubscriptionFetchedIsUsedAndSurvivesAFailingRefetch) {
  // Lists come over https, or from files; never over plain http.
  const std::string source = dir.file("list.txt");
  const auto publish = [&](const char* text) {
    ASSERT_TRUE(g_file_set_contents(source.c_str(), text, -1, nullptr));
  };
  publish("[Adblock Plus 2.0]\n||127.0.0.1^*/ads/track.js\n");
  server.add_page("/plain.txt", "||127.0.0.1^*/story.js\n", "text/plain");
  OwnedChars address(g_filename_to_uri(source.c_str(), nullptr, nullptr));
  OwnedChars missing(g_filename_to_uri(dir.file("missing.txt").c_str(), nullptr, nullptr));
  write("subscriptions",
        std::string(address.get()) + "\n" + missing.get() + "\n" + server.url("/plain.txt") + "\n");
  const auto fetch = [&](gint64 max_age) {
    bool done = false;
    fetch_due_subscriptions(places, max_age, [&](bool) { done = true; });
    ASSERT_TRUE(run_until([&] { return done; }));
  };
  fetch(kSubscriptionMaxAge);
  EXPECT_EQ(server.requests("/plain.txt"), 0);
  const std::string copy = subscription_copy_path(places, address.get());
  ASSERT_TRUE(g_file_test(copy.c_str(), G_FILE_TEST_IS_REGULAR));
  GStatBuf info;
  ASSERT_EQ(g_stat(copy.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600U);
  EXPECT_FALSE(
      g_file_test(subscription_copy_path(places, missing.get()).c_str(), G_FILE_TEST_EXISTS));

  // Within the day nothing is read again; later, an error page leaves the copy alone.
  publish("||127.0.0.1^*/ads/partner.js\n");
  fetch(kSubscriptionMaxAge);
  publish("<html>Service unavailable</html>");
  fetch(0);

  FilteredView shown(started());
  ASSERT_EQ(blocking->reports().size(), 1U);
  EXPECT_EQ(blocking->reports()[0].name, address.get());
  ASSERT_TRUE(load_news(shown.view()));
  EXPECT_EQ(server.requests("/ads/track.js"), 0);
  EXPECT_EQ(server.requests("/ads/partner.js"), 1);
  EXPECT_EQ(server.requests("/story.js"), 1);

  // A server's redirect is followed to https only.
  EXPECT_EQ(subscription_redirect("https://lists.example/a.txt", "/b.txt"),
            "https://lists.example/b.txt");
  for (const char* elsewhere : {"http://lists.example/b.txt", "file:///etc/passwd", "ftp://x/y"})
    EXPECT_EQ(subscription_redirect("https://lists.example/a.txt", elsewhere), "") << elsewhere;
}

}  // namespace
}  // namespace kv
