#include "engine/pages/notice_scheme.h"

#include <gtk/gtk.h>

#include <charconv>
#include <deque>
#include <memory>
#include <optional>
#include <utility>

#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "desktop/object_state.h"
#include "engine/pages/deliberate_input.h"
#include "engine/pages/local_scheme.h"
#include "shell/folder_pages.h"

namespace kv {
namespace {

constexpr const char* kStateKey = "kv-notices";
// A notice the view showed a while ago can come back from the page cache with Back;
// its links keep working for this many notices.
constexpr std::size_t kRememberedNotices = 16;

constexpr const char* kStyle =
    "body{font-family:sans-serif;background:#f2f2f2;color:#202020;margin:0}"
    "main{max-width:42em;margin:3em auto;padding:1.5em 2em;background:#fff;"
    "border-top:4px solid #b03020;box-shadow:0 1px 3px #0003}"
    "h1{font-size:1.4em;margin-top:0;overflow-wrap:anywhere}li{margin:.3em 0}"
    ".links a{display:inline-block;margin:.8em 1.5em 0 0}"
    "p{overflow-wrap:anywhere}.detail{font-size:.8em;color:#606060;margin-top:2em}";

struct ShownNotice {
  std::string token;
  std::vector<NoticeLink> links;
};

struct ViewNotices {
  std::deque<ShownNotice> shown;
};

struct LinkTarget {
  std::string token;
  std::size_t index = 0;
};

std::string scheme_prefix() {
  return std::string(kNoticeScheme) + "://";
}

// "<scheme>://<kind>/<token>/<index>", or nothing for any other address.
std::optional<LinkTarget> parse_link(std::string_view uri) {
  const std::string prefix = scheme_prefix();
  if (uri.substr(0, prefix.size()) != prefix) return std::nullopt;
  uri.remove_prefix(prefix.size());
  const auto kind_end = uri.find('/');
  if (kind_end == std::string_view::npos) return std::nullopt;
  uri.remove_prefix(kind_end + 1);
  const auto token_end = uri.find('/');
  if (token_end == std::string_view::npos || token_end == 0) return std::nullopt;
  LinkTarget target{std::string(uri.substr(0, token_end)), 0};
  const std::string_view index = uri.substr(token_end + 1);
  const auto [end, error] =
      std::from_chars(index.data(), index.data() + index.size(), target.index);
  if (error != std::errc() || end != index.data() + index.size()) return std::nullopt;
  return target;
}

struct PendingRun {
  ObjectRef<WebKitWebView> view;  // until the run
  std::function<void(WebKitWebView*)> run;
};

gboolean run_link(gpointer data) {
  const std::unique_ptr<PendingRun> pending(static_cast<PendingRun*>(data));
  if (gtk_widget_in_destruction(GTK_WIDGET(pending->view.get())) == FALSE) {
    guarded([&pending] { pending->run(pending->view.get()); });
  }
  return G_SOURCE_REMOVE;
}

gboolean on_decide_policy(WebKitWebView* view, WebKitPolicyDecision* decision,
                          WebKitPolicyDecisionType type, gpointer data) {
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) return FALSE;
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  const auto target = parse_link(uri != nullptr ? uri : "");
  if (!target) return FALSE;
  // A notice's link never loads anything itself; one from an unknown notice does nothing.
  webkit_policy_decision_ignore(decision);
  for (const ShownNotice& notice : static_cast<ViewNotices*>(data)->shown) {
    if (notice.token != target->token || target->index >= notice.links.size()) continue;
    const NoticeLink& link = notice.links[target->index];
    if (link.deliberate && !input_is_deliberate(view)) break;
    // Run after the engine has had its answer, outside its signal.
    g_idle_add(run_link, new PendingRun{ref_object(view), link.run});
    break;
  }
  return TRUE;
}

struct PendingNotice {
  ObjectRef<WebKitWebView> view;  // until the load
  std::string address;
  std::string html;
  std::string base;
};

gboolean load_notice(gpointer data) {
  const std::unique_ptr<PendingNotice> pending(static_cast<PendingNotice*>(data));
  if (gtk_widget_in_destruction(GTK_WIDGET(pending->view.get())) == FALSE) {
    // The page's own address is on the local scheme; the engine shows it under `address`.
    webkit_web_view_load_alternate_html(pending->view.get(), pending->html.c_str(),
                                        pending->address.c_str(), pending->base.c_str());
  }
  return G_SOURCE_REMOVE;
}

ViewNotices& notices_of(WebKitWebView* view) {
  auto* state = attached_state<ViewNotices>(view, kStateKey);
  if (state == nullptr) {
    state = &attach_state(view, kStateKey, new ViewNotices);
    g_signal_connect(view, "decide-policy", G_CALLBACK(on_decide_policy), state);
    watch_input(view);
  }
  return *state;
}

// Notices are shown by the program only; an address of the scheme typed or linked to
// finds nothing.
void refuse_request(WebKitURISchemeRequest* request, gpointer /*data*/) {
  finish_not_found(request, "This page is shown by the program only.");
}

// The kind names the page's address, so it keeps to lower-case letters and dashes.
std::string safe_kind(const std::string& kind) {
  const bool safe =
      !kind.empty() && kind.find_first_not_of("abcdefghijklmnopqrstuvwxyz-") == std::string::npos;
  return safe ? kind : "notice";
}

}  // namespace

std::string notice_html(const Notice& notice, std::string_view token) {
  std::string html =
      "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
      // The page needs no script and loads nothing.
      "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
      "style-src 'unsafe-inline'\">"
      "<title>" +
      html_escape(notice.title) + "</title><style>" + kStyle + "</style></head><body><main><h1>" +
      html_escape(notice.heading) + "</h1>";
  for (std::size_t i = 0; i < notice.paragraphs.size(); ++i) {
    html += "<p>" + html_escape(notice.paragraphs[i]) + "</p>";
    if (i == 0 && !notice.points.empty()) {
      html += "<ul>";
      for (const std::string& point : notice.points) html += "<li>" + html_escape(point) + "</li>";
      html += "</ul>";
    }
  }
  html += "<p class=\"links\">";
  const std::string base =
      scheme_prefix() + safe_kind(notice.kind) + "/" + html_escape(token) + "/";
  for (std::size_t i = 0; i < notice.links.size(); ++i) {
    html += "<a href=\"" + base + std::to_string(i) + "\">" + html_escape(notice.links[i].text) +
            "</a>";
  }
  html += "</p>";
  if (!notice.detail.empty()) html += "<p class=\"detail\">" + html_escape(notice.detail) + "</p>";
  return html + "</main></body></html>";
}

void show_notice(WebKitWebView* view, const std::string& address, Notice notice) {
  register_local_scheme(webkit_web_view_get_context(view), kNoticeScheme, refuse_request);
  const std::string token = take_string(g_uuid_string_random());
  auto* pending =
      new PendingNotice{ref_object(view), address.empty() ? "about:blank" : address,
                        notice_html(notice, token), scheme_prefix() + safe_kind(notice.kind) + "/"};
  ViewNotices& state = notices_of(view);
  state.shown.push_back(ShownNotice{token, std::move(notice.links)});
  if (state.shown.size() > kRememberedNotices) state.shown.pop_front();
  // Callers run inside the engine's report of a failed load or an ended process; the
  // notice loads once that report is over, so its load follows the failed one's end.
  g_idle_add(load_notice, pending);
}

}  // namespace kv
