#include "engine/control/history_recorder.h"

#include <glib.h>

#include <cstdint>

#include "desktop/guarded.h"
#include "desktop/object_state.h"
#include "shell/history_store.h"

namespace kv {
namespace {

constexpr const char* kStateKey = "kv-history-load";

// Per view: the load in progress, and the visit still waiting for its title.
struct LoadState {
  bool failed = false;
  // How the page being loaded was reached; it weighs in the address box's suggestions.
  VisitKind kind = VisitKind::kLink;
  // The last navigation decided on: frames decide too, so it counts only for a load of
  // the same address.
  std::string decided_uri;
  VisitKind decided_kind = VisitKind::kLink;
  std::int64_t untitled_visit = 0;
  std::string untitled_address;
};

std::string text_or_empty(const char* text) {
  return text != nullptr ? text : "";
}

void on_load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
  auto* state = static_cast<LoadState*>(data);
  if (event == WEBKIT_LOAD_STARTED) {
    state->failed = false;
    state->untitled_visit = 0;
    state->kind = text_or_empty(webkit_web_view_get_uri(view)) == state->decided_uri
                      ? state->decided_kind
                      : VisitKind::kLink;
  }
  if (event != WEBKIT_LOAD_FINISHED || state->failed) return;
  guarded([view, state] {
    const std::string address = text_or_empty(webkit_web_view_get_uri(view));
    // The engine's own error page for a failed load stands under the failed address, but
    // its document is about:blank.
    WebKitWebResource* main = webkit_web_view_get_main_resource(view);
    if (main == nullptr || !recorded_in_history(text_or_empty(webkit_web_resource_get_uri(main))) ||
        !recorded_in_history(address)) {
      return;
    }
    const std::string title = text_or_empty(webkit_web_view_get_title(view));
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
    const std::string title = text_or_empty(webkit_web_view_get_title(view));
    if (title.empty()) return;
    if (text_or_empty(webkit_web_view_get_uri(view)) == state->untitled_address) {
      browsing_history().set_title(state->untitled_visit, title);
    }
    state->untitled_visit = 0;
  });
}

// The program's own loads (an address typed or chosen, a favourite, Home) come as "other"
// navigations; links, forms, Back, Forward and reloads say so.
gboolean on_decide_policy(WebKitWebView* /*view*/, WebKitPolicyDecision* decision,
                          WebKitPolicyDecisionType type, gpointer data) {
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) return FALSE;
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  // A redirect goes on with the navigation it came from.
  if (action == nullptr || webkit_navigation_action_is_redirect(action) != FALSE) return FALSE;
  auto* state = static_cast<LoadState*>(data);
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  state->decided_uri =
      text_or_empty(request != nullptr ? webkit_uri_request_get_uri(request) : nullptr);
  state->decided_kind =
      webkit_navigation_action_get_navigation_type(action) == WEBKIT_NAVIGATION_TYPE_OTHER
          ? VisitKind::kChosen
          : VisitKind::kLink;
  return FALSE;  // others decide
}

gboolean on_load_failed(WebKitWebView* /*view*/, WebKitLoadEvent /*event*/, gchar* /*uri*/,
                        GError* /*error*/, gpointer data) {
  static_cast<LoadState*>(data)->failed = true;
  return FALSE;  // others may still show their error page
}

}  // namespace

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
