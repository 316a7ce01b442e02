#include "engine/control/history_recorder.h"

#include <glib.h>

#include <cstdint>

#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "desktop/object_state.h"
#include "desktop/page_title.h"
#include "shell/history_store.h"

namespace kv {
namespace {

constexpr const char* kStateKey = "kv-history-load";

// Per view: the load in progress, and the visit still waiting for its title.
struct LoadState {
  bool failed = false;
  // How the page being loaded was reached; it weighs in the address box's suggestions.
  VisitKind kind = VisitKind::kPageOwn;
  // The last navigation decided on: frames decide too, so it counts only for a load of
  // the same address.
  std::string decided_uri;
  VisitKind decided_kind = VisitKind::kPageOwn;
  // What the program asked for on the user's behalf, until its navigation is decided.
  std::string users_uri;
  VisitKind users_kind = VisitKind::kLink;
  // Where the load started: a redirect to another host is that host's doing.
  std::string started_host;
  std::int64_t untitled_visit = 0;
  std::string untitled_address;
};

std::string text_or_empty(const char* text) {
  return text != nullptr ? text : "";
}

std::string host_of(const std::string& address) {
  const OwnedUri uri(g_uri_parse(address.c_str(), G_URI_FLAGS_NONE, nullptr));
  const char* host = uri ? g_uri_get_host(uri.get()) : nullptr;
  return host != nullptr ? host : "";
}

void on_load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
  auto* state = static_cast<LoadState*>(data);
  if (event == WEBKIT_LOAD_STARTED) {
    state->failed = false;
    state->untitled_visit = 0;
    const std::string address = text_or_empty(webkit_web_view_get_uri(view));
    state->kind = address == state->decided_uri ? state->decided_kind : VisitKind::kPageOwn;
    state->started_host = host_of(address);
  }
  // Where the user's choice leads on its own site is still their choice; another site's
  // page is not.
  if (event == WEBKIT_LOAD_REDIRECTED && state->kind == VisitKind::kChosen &&
      host_of(text_or_empty(webkit_web_view_get_uri(view))) != state->started_host) {
    state->kind = VisitKind::kLink;
  }
  if (event != WEBKIT_LOAD_FINISHED) return;
  // An expectation that no navigation met lives no longer than the next load.
  state->users_uri.clear();
  if (state->failed) return;
  guarded([view, state] {
    const std::string address = text_or_empty(webkit_web_view_get_uri(view));
    // The engine's own error page for a failed load stands under the failed address, but
    // its document is about:blank.
    WebKitWebResource* main = webkit_web_view_get_main_resource(view);
    if (main == nullptr || !recorded_in_history(text_or_empty(webkit_web_resource_get_uri(main))) ||
        !recorded_in_history(address)) {
      return;
    }
    const std::string title = shown_title(text_or_empty(webkit_web_view_get_title(view)));
    const std::int64_t visit =
        browsing_history().record(address, title, HistoryStore::Clock::now(), state->kind);
    if (visit != 0 && title.empty()) {
      state->untitled_visit = visit;
      state->untitled_address = address;
    }
  });
}

// Titles usually arrive just after the load completes; the first one names the visit.
void on_title(WebKitWebView* view, GParamSpec* /*property*/, gpointer data) {
  auto* state = static_cast<LoadState*>(data);
  if (state->untitled_visit == 0) return;
  guarded([view, state] {
    const std::string title = shown_title(text_or_empty(webkit_web_view_get_title(view)));
    if (title.empty()) return;
    if (text_or_empty(webkit_web_view_get_uri(view)) == state->untitled_address) {
      browsing_history().set_title(state->untitled_visit, title);
    }
    state->untitled_visit = 0;
  });
}

// How a navigation came about: the program's own load or history move for the user, a
// click or key of the user's in the page, or else the page's own doing (a script, a
// reload, a refresh, a form it sends itself), which the engine reports as it reports the
// program's loads.
VisitKind kind_of(WebKitNavigationAction* action, LoadState& state, const std::string& address) {
  const WebKitNavigationType type = webkit_navigation_action_get_navigation_type(action);
  if (!state.users_uri.empty() && address == state.users_uri &&
      (type == WEBKIT_NAVIGATION_TYPE_OTHER || type == WEBKIT_NAVIGATION_TYPE_BACK_FORWARD ||
       type == WEBKIT_NAVIGATION_TYPE_RELOAD)) {
    state.users_uri.clear();
    return state.users_kind;
  }
  return webkit_navigation_action_is_user_gesture(action) != FALSE ? VisitKind::kLink
                                                                   : VisitKind::kPageOwn;
}

gboolean on_decide_policy(WebKitWebView* /*view*/, WebKitPolicyDecision* decision,
                          WebKitPolicyDecisionType type, gpointer data) {
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) return FALSE;
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  // A redirect goes on with the navigation it came from.
  if (action == nullptr || webkit_navigation_action_is_redirect(action) != FALSE) return FALSE;
  auto* state = static_cast<LoadState*>(data);
  guarded([&] {
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    state->decided_uri =
        text_or_empty(request != nullptr ? webkit_uri_request_get_uri(request) : nullptr);
    state->decided_kind = kind_of(action, *state, state->decided_uri);
  });
  return FALSE;  // others decide
}

gboolean on_load_failed(WebKitWebView* /*view*/, WebKitLoadEvent /*event*/, gchar* /*uri*/,
                        GError* /*error*/, gpointer data) {
  static_cast<LoadState*>(data)->failed = true;
  return FALSE;  // others may still show their error page
}

}  // namespace

void expect_users_navigation(WebKitWebView* view, const std::string& address, VisitKind kind) {
  auto* state = attached_state<LoadState>(view, kStateKey);
  if (state == nullptr) return;
  state->users_uri = address;
  state->users_kind = kind;
}

bool recorded_in_history(const std::string& address) {
  const char* scheme = g_uri_peek_scheme(address.c_str());
  if (scheme == nullptr) return false;
  const std::string name = scheme;
  return name == "http" || name == "https" || name == "file";
}

void record_completed_pages(WebKitWebView* view) {
  auto* state = &attach_state(view, kStateKey, new LoadState);
  g_signal_connect(view, "load-changed", G_CALLBACK(on_load_changed), state);
  g_signal_connect(view, "load-failed", G_CALLBACK(on_load_failed), state);
  g_signal_connect(view, "decide-policy", G_CALLBACK(on_decide_policy), state);
  g_signal_connect(view, "notify::title", G_CALLBACK(on_title), state);
}

}  // namespace kv
