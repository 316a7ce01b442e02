#include "engine/requests/window_requests.h"

#include <utility>

#include "desktop/guarded.h"
#include "engine/requests/window_request_address.h"

namespace kv {

WindowRequests::WindowRequests(WebKitWebView* view, std::function<OpenedWindow()> open)
    : view_(view), open_(std::move(open)) {
  g_signal_connect(view_, "create", G_CALLBACK(on_create), this);
}

WindowRequests::~WindowRequests() {
  g_signal_handlers_disconnect_by_data(view_, this);
}

GtkWidget* WindowRequests::on_create(WebKitWebView* /*view*/, WebKitNavigationAction* action,
                                     gpointer self) {
  auto* requests = static_cast<WindowRequests*>(self);
  const bool user_gesture = webkit_navigation_action_is_user_gesture(action) != FALSE;
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const char* uri = webkit_uri_request_get_uri(request);
  if (!loads_into_new_window(uri != nullptr ? uri : "")) return nullptr;
  if (!requests->quota_.may_ask(user_gesture)) return nullptr;
  OpenedWindow opened;
  guarded([&] { opened = requests->open_(); });
  if (opened.made) requests->quota_.window_opened(user_gesture);
  if (opened.view == nullptr) return nullptr;
  // The new window's own start-up navigation was started first; without this load the
  // start page would win over the page the opener asked for.
  if (uri == nullptr || *uri == '\0' || g_strcmp0(uri, "about:blank") == 0) {
    webkit_web_view_stop_loading(opened.view);
  } else {
    webkit_web_view_load_request(opened.view, request);
  }
  // Although the signal is marked transfer-full, the engine takes a reference of its own
  // rather than adopting the returned one, so none is added here (an added one would
  // keep the view for ever); the new window's control holds its own.
  return GTK_WIDGET(opened.view);
}

}  // namespace kv
