// Video, full screen requests and spelling on the real engine.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine/control/web_engine.h"
#include "support/engine_window.h"
#include "support/local_server.h"
#include "support/run_until.h"

namespace kv {
namespace {

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class PageMedia : public ::testing::Test {
 protected:
  test::LocalServer server;
  test::EngineWindow window;
};

// Two seconds of 32 x 24 VP8 and silent Opus, 5.6 KB, made for this test with
//   gst-launch-1.0 webmmux name=mux ! filesink location=clip.webm
//     videotestsrc num-buffers=20 pattern=smpte ! video/x-raw,width=32,height=24,framerate=10/1
//     ! vp8enc target-bitrate=8000 deadline=1 keyframe-max-dist=100 ! mux.
//     audiotestsrc num-buffers=100 samplesperbuffer=960 wave=silence
//     ! audio/x-raw,rate=48000,channels=1 ! audioconvert ! opusenc bitrate=6000 ! mux.
TEST_F(PageMedia, AWebMVideoWithSoundPlays) {
  const std::string clip = file_bytes(KV_TEST_DATA "/clip.webm");
  ASSERT_GT(clip.size(), 1000U);
  server.add_page("/clip.webm", clip, "video/webm");
  server.add_page("/video.html",
                  "<video id='v' src='/clip.webm'></video><script>"
                  "const v = document.getElementById('v');"
                  "v.ontimeupdate = () => { if (v.currentTime > 0.5) document.title = 'played'; };"
                  "v.onerror = () => document.title = 'error ' + v.error.code;"
                  "</script>");
  ASSERT_TRUE(window.load_uri(server.url("/video.html")));
  window.eval("v.play().catch(e => document.title = e.name); 0");
  EXPECT_TRUE(test::run_until([&] { return window.eval("document.title") == "played"; },
                              std::chrono::seconds(20)))
      << window.eval("document.title");
}

TEST_F(PageMedia, AMisspeltWordIsMarkedWithTheEnginesSuggestions) {
  std::vector<std::string> guesses;
  g_signal_connect(window.view(), "context-menu",
                   G_CALLBACK(+[](WebKitWebView*, WebKitContextMenu* menu, GdkEvent*,
                                  WebKitHitTestResult*, gpointer data) -> gboolean {
                     auto* found = static_cast<std::vector<std::string>*>(data);
                     for (GList* i = webkit_context_menu_get_items(menu); i != nullptr;
                          i = i->next) {
                       auto* item = static_cast<WebKitContextMenuItem*>(i->data);
                       if (webkit_context_menu_item_get_stock_action(item) ==
                           WEBKIT_CONTEXT_MENU_ACTION_SPELLING_GUESS) {
                         GtkAction* action = webkit_context_menu_item_get_action(item);
                         found->push_back(gtk_action_get_label(action));
                       }
                     }
                     return TRUE;  // not shown
                   }),
                   &guesses);
  ASSERT_TRUE(window.load_html(
      "<textarea id='t' style='position:absolute;left:0;top:0;width:400px;height:100px;"
      "font:30px monospace'></textarea>",
      server.url("/")));
  window.eval("document.getElementById('t').focus(); 0");
  webkit_web_view_execute_editing_command_with_argument(window.view(), "InsertText", "recieve ");
  ASSERT_TRUE(test::run_until([&] {
    guesses.clear();
    test::right_click(*window.browser, 30, 20);
    return test::run_until([&] { return !guesses.empty(); }, std::chrono::milliseconds(300));
  }));
  EXPECT_NE(std::find(guesses.begin(), guesses.end(), "receive"), guesses.end());
}

// Last of this process: without a window manager, the engine (2.50.6, any view) fails at
// the next page load of any view once a view that had the full screen has gone.
TEST_F(PageMedia, FullScreenRequestsAndTheirEndAreReported) {
  std::vector<bool> reported;
  window.browser->FullScreenChange.connect([&](bool full) { reported.push_back(full); });
  server.add_page("/full.html",
                  "<button id='b' style='position:absolute;left:0;top:0;width:200px;"
                  "height:100px' onclick='document.documentElement.requestFullscreen()'>"
                  "Full</button>");
  ASSERT_TRUE(window.load_uri(server.url("/full.html")));
  test::click(*window.browser, 50, 50);
  ASSERT_TRUE(test::run_until([&] { return reported == std::vector<bool>{true}; }));
  window.eval("document.exitFullscreen(); 0");
  EXPECT_TRUE(test::run_until([&] { return reported == std::vector<bool>{true, false}; }));
}

}  // namespace
}  // namespace kv
