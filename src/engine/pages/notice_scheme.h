#pragma once

#include <webkit2/webkit2.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// The program's own notices in the page area: a page it could not show safely (a
// certificate it does not trust), a page it could not reach, or a page whose web process
// ended. A notice is a local page (web pages cannot load it or link to it) that stands
// under the address of the page it replaces, so the address box, Refresh and the history
// all keep that address.
inline constexpr const char* kNoticeScheme = "kv-notice";

// A way on from a notice; `run` is called on the view that shows it, after the click.
struct NoticeLink {
  std::string text;
  std::function<void(WebKitWebView*)> run;
  // Acts only on a deliberate click or key press (see deliberate_input.h); for links
  // that lower the user's guard.
  bool deliberate = false;
};

// What a notice says, as plain text; it is escaped when the page is built.
struct Notice {
  std::string kind;  // names the page's own address, e.g. "certificate"
  std::string title;
  std::string heading;
  std::vector<std::string> paragraphs;
  std::vector<std::string> points;  // listed after the first paragraph
  std::vector<NoticeLink> links;
  std::string detail;  // in small type after the links, for those who want it
};

// The notice's page. Its links lead to "<kNoticeScheme>://<kind>/<token>/<index>", which
// only the view that shows the notice acts on, and only while it knows the token.
std::string notice_html(const Notice& notice, std::string_view token);

// Shows `notice` in `view` in place of the page at `address` (about:blank when empty),
// right after the caller returns to the main loop. Works on a view whose web process has
// ended (the engine starts a new one).
void show_notice(WebKitWebView* view, const std::string& address, Notice notice);

}  // namespace kv
