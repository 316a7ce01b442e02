#include "engine/requests/user_mouse_requests.h"

#include <memory>

#include "desktop/guarded.h"

namespace kv {
namespace {

constexpr guint kBackButton = 8;
constexpr guint kForwardButton = 9;
constexpr guint kMiddleButton = 2;
constexpr guint kAskingModifiers = GDK_CONTROL_MASK | GDK_SHIFT_MASK;
// The engine decides about a click's navigation within milliseconds of its release.
constexpr gint64 kClickToDecisionMicros = 1000 * 1000;

// The last release of a mouse button that the display reported.
struct Click {
  guint button = 0;
  guint modifiers = 0;
  std::string link;  // under the pointer then, or ""
  gint64 at = 0;
};

struct Watch {
  UserMouseRequests requests;
  std::string link_under_pointer;  // as the engine last reported it
  Click click;
};

gboolean on_press(GtkWidget* /*view*/, GdkEventButton* event, gpointer data) {
  if (event->button != kBackButton && event->button != kForwardButton) return FALSE;
  // The page gets neither press nor release of these buttons, as with any browser.
  if (event->type != GDK_BUTTON_PRESS) return TRUE;
  auto* watch = static_cast<Watch*>(data);
  const bool forward = event->button == kForwardButton;
  guarded([&] {
    if (watch->requests.history_button) watch->requests.history_button(forward);
  });
  return TRUE;
}

gboolean on_release(GtkWidget* /*view*/, GdkEventButton* event, gpointer data) {
  auto* watch = static_cast<Watch*>(data);
  if (event->button == kBackButton || event->button == kForwardButton) return TRUE;
  watch->click = Click{.button = event->button,
                       .modifiers = event->state & kAskingModifiers,
                       .link = watch->link_under_pointer,
                       .at = g_get_monotonic_time()};
  return FALSE;
}

void on_mouse_target(WebKitWebView* /*view*/, WebKitHitTestResult* hit, guint /*modifiers*/,
                     gpointer data) {
  const char* link = webkit_hit_test_result_context_is_link(hit) != FALSE
                         ? webkit_hit_test_result_get_link_uri(hit)
                         : nullptr;
  static_cast<Watch*>(data)->link_under_pointer = link != nullptr ? link : "";
}

bool user_made(Watch& watch, WebKitNavigationAction* action, guint button, guint modifiers,
               const std::string& uri) {
  if (webkit_navigation_action_is_user_gesture(action) == FALSE) return false;
  const auto& click = watch.click;
  return click.button == button && click.modifiers == (modifiers & kAskingModifiers) &&
         !click.link.empty() && click.link == uri &&
         g_get_monotonic_time() - click.at < kClickToDecisionMicros;
}

gboolean on_decide_policy(WebKitWebView* /*view*/, WebKitPolicyDecision* decision,
                          WebKitPolicyDecisionType type, gpointer data) {
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
      type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
    return FALSE;
  }
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  if (webkit_navigation_action_get_navigation_type(action) != WEBKIT_NAVIGATION_TYPE_LINK_CLICKED) {
    return FALSE;
  }
  const guint button = webkit_navigation_action_get_mouse_button(action);
  const guint modifiers = webkit_navigation_action_get_modifiers(action);
  const bool for_new_window =
      button == kMiddleButton || (button == 1 && (modifiers & kAskingModifiers) != 0);
  if (!for_new_window) return FALSE;
  webkit_policy_decision_ignore(decision);
  auto* watch = static_cast<Watch*>(data);
  const char* requested = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  const std::string uri = requested != nullptr ? requested : "";
  if (!user_made(*watch, action, button, modifiers, uri)) return TRUE;
  watch->click = Click{};  // one window per click
  guarded([&] {
    if (watch->requests.link_to_new_window) watch->requests.link_to_new_window(uri);
  });
  return TRUE;
}

}  // namespace

void watch_user_mouse_requests(WebKitWebView* view, UserMouseRequests requests) {
  auto* watch = new Watch;
  watch->requests = std::move(requests);
  // The watch lives as long as the view.
  g_object_set_data_full(G_OBJECT(view), "kv-user-mouse-requests", watch,
                         [](gpointer data) { delete static_cast<Watch*>(data); });
  g_signal_connect(view, "button-press-event", G_CALLBACK(on_press), watch);
  g_signal_connect(view, "button-release-event", G_CALLBACK(on_release), watch);
  g_signal_connect(view, "mouse-target-changed", G_CALLBACK(on_mouse_target), watch);
  g_signal_connect(view, "decide-policy", G_CALLBACK(on_decide_policy), watch);
}

}  // namespace kv
