#include "engine/pages/unreachable_page.h"

#include <gtk/gtk.h>

#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "desktop/object_state.h"

namespace kv {
namespace {

constexpr const char* kStateKey = "kv-unreachable";

// Per view: where its notice stands in the loads, and whether the network's return
// should load the failed page again.
struct ViewState {
  bool notice_next = false;     // the next load to start is the notice's own
  bool notice_loading = false;  // the notice's own load is running
  bool retry_when_online = false;
  bool destroyed = false;  // the view stays allocated for a while after its container went
};

std::string host_of(const char* address) {
  const OwnedUri uri(g_uri_parse(address, G_URI_FLAGS_NONE, nullptr));
  if (!uri) return "";
  const char* host = g_uri_get_host(uri.get());
  return host != nullptr ? host : "";
}

bool is_notice_address(const char* address) {
  // Not g_uri_peek_scheme: that keeps every scheme a page names for the program's life.
  const OwnedChars scheme(g_uri_parse_scheme(address));
  return scheme && g_ascii_strcasecmp(scheme.get(), kNoticeScheme) == 0;
}

void on_load_changed(WebKitWebView* /*view*/, WebKitLoadEvent event, gpointer data) {
  auto* state = static_cast<ViewState*>(data);
  if (event == WEBKIT_LOAD_STARTED) {
    state->notice_loading = state->notice_next;
    // Any other load (the user's, Try again, Back) settles the failure for good.
    if (!state->notice_next) state->retry_when_online = false;
    state->notice_next = false;
  } else if (event == WEBKIT_LOAD_FINISHED) {
    state->notice_loading = false;
  }
}

gboolean on_load_failed(WebKitWebView* view, WebKitLoadEvent /*event*/, gchar* failing_uri,
                        GError* error, gpointer data) {
  auto* state = static_cast<ViewState*>(data);
  // A notice that failed to load itself gets no notice of its own, or it would never end.
  if (state->notice_loading || failing_uri == nullptr || is_notice_address(failing_uri) ||
      !failure_deserves_notice(error)) {
    return FALSE;
  }
  bool shown = false;
  guarded([&] {
    const LoadFailure failure = classify_load_failure(error);
    const std::string raw = error != nullptr && error->message != nullptr ? error->message : "";
    show_notice(view, failing_uri,
                unreachable_notice(failing_uri, host_of(failing_uri), failure, raw));
    state->notice_next = true;
    state->retry_when_online = is_network_failure(failure);
    shown = true;
  });
  return shown ? TRUE : FALSE;
}

void on_destroy(GtkWidget* /*view*/, gpointer data) {
  static_cast<ViewState*>(data)->destroyed = true;
}

void on_network_changed(GNetworkMonitor* /*monitor*/, gboolean available, gpointer view) {
  auto* state = attached_state<ViewState>(view, kStateKey);
  if (available == FALSE || state == nullptr || !state->retry_when_online || state->destroyed) {
    return;
  }
  // Once: if the network is still not good enough, the next failure asks again.
  state->retry_when_online = false;
  webkit_web_view_reload(WEBKIT_WEB_VIEW(view));
}

}  // namespace

bool failure_deserves_notice(const GError* error) {
  if (error == nullptr) return true;
  if (error->domain == WEBKIT_NETWORK_ERROR) return error->code != WEBKIT_NETWORK_ERROR_CANCELLED;
  if (error->domain == WEBKIT_POLICY_ERROR) {
    return error->code != WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE;
  }
  if (error->domain == WEBKIT_PLUGIN_ERROR) {
    return error->code != WEBKIT_PLUGIN_ERROR_WILL_HANDLE_LOAD;
  }
  if (error->domain == WEBKIT_DOWNLOAD_ERROR) return false;
  return g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) == FALSE;
}

LoadFailure classify_load_failure(const GError* error) {
  if (error == nullptr) return LoadFailure::kOther;
  if (error->domain == G_RESOLVER_ERROR) {
    // A name server that cannot be asked says nothing about the name.
    return error->code == G_RESOLVER_ERROR_TEMPORARY_FAILURE ? LoadFailure::kNetworkDown
                                                             : LoadFailure::kNoSuchHost;
  }
  if (error->domain == G_TLS_ERROR) return LoadFailure::kNotSecure;
  if (error->domain == G_IO_ERROR) {
    switch (error->code) {
      case G_IO_ERROR_CONNECTION_REFUSED:
        return LoadFailure::kRefused;
      case G_IO_ERROR_TIMED_OUT:
        return LoadFailure::kTimedOut;
      case G_IO_ERROR_CONNECTION_CLOSED:
      case G_IO_ERROR_PARTIAL_INPUT:
        return LoadFailure::kConnectionLost;
      case G_IO_ERROR_NETWORK_UNREACHABLE:
      case G_IO_ERROR_HOST_UNREACHABLE:
        return LoadFailure::kNetworkDown;
      case G_IO_ERROR_INVALID_ARGUMENT:
        return LoadFailure::kBadAddress;
      case G_IO_ERROR_NOT_FOUND:
        return LoadFailure::kNoSuchFile;
      default:
        return LoadFailure::kOther;
    }
  }
  if (error->domain == WEBKIT_NETWORK_ERROR) {
    if (error->code == WEBKIT_NETWORK_ERROR_UNKNOWN_PROTOCOL) return LoadFailure::kBadAddress;
    if (error->code == WEBKIT_NETWORK_ERROR_FILE_DOES_NOT_EXIST) return LoadFailure::kNoSuchFile;
  }
  if (error->domain == WEBKIT_POLICY_ERROR &&
      (error->code == WEBKIT_POLICY_ERROR_CANNOT_SHOW_URI ||
       error->code == WEBKIT_POLICY_ERROR_CANNOT_USE_RESTRICTED_PORT)) {
    return LoadFailure::kBadAddress;
  }
  return LoadFailure::kOther;
}

std::string load_failure_text(LoadFailure failure, const std::string& host) {
  const std::string server = host.empty() ? "The server" : host;
  switch (failure) {
    case LoadFailure::kNoSuchHost:
      return "No computer named " + (host.empty() ? "so" : host) +
             " could be found: its name is not known on the network.";
    case LoadFailure::kRefused:
      return server + " refused the connection: the website may be down, or not on this port.";
    case LoadFailure::kTimedOut:
      return server + " did not answer in time.";
    case LoadFailure::kConnectionLost:
      return "The connection to " + (host.empty() ? "the server" : host) +
             " was lost before the page arrived.";
    case LoadFailure::kNetworkDown:
      return "The network is down, or " + (host.empty() ? "the server" : host) +
             " cannot be reached from it.";
    case LoadFailure::kBadAddress:
      return "The address is not valid, or is of a kind that Kestrivane cannot open.";
    case LoadFailure::kNoSuchFile:
      return "There is no such file.";
    case LoadFailure::kNotSecure:
      return "A secure connection to " + (host.empty() ? "the server" : host) +
             " could not be made.";
    case LoadFailure::kOther:
      break;
  }
  return "The page could not be loaded.";
}

bool is_network_failure(LoadFailure failure) {
  return failure == LoadFailure::kNoSuchHost || failure == LoadFailure::kTimedOut ||
         failure == LoadFailure::kConnectionLost || failure == LoadFailure::kNetworkDown;
}

Notice unreachable_notice(const std::string& address, const std::string& host, LoadFailure failure,
                          const std::string& raw) {
  Notice notice;
  notice.kind = "unreachable";
  notice.title = host.empty() ? "Cannot open page" : "Cannot reach " + host;
  notice.heading = "This page could not be reached";
  notice.paragraphs.push_back("Kestrivane could not open " + address);
  notice.paragraphs.push_back(load_failure_text(failure, host));
  if (is_network_failure(failure)) {
    notice.paragraphs.emplace_back(
        "Check that this computer is connected to the network. The page loads again by "
        "itself when the network comes back.");
  }
  // Loads the failed address again: the notice stands under it.
  notice.links.push_back({"Try again", [](WebKitWebView* view) { webkit_web_view_reload(view); }});
  notice.detail = raw;
  return notice;
}

void show_unreachable_pages(WebKitWebView* view, GNetworkMonitor* monitor) {
  auto* state = &attach_state(view, kStateKey, new ViewState);
  g_signal_connect(view, "load-changed", G_CALLBACK(on_load_changed), state);
  g_signal_connect(view, "load-failed", G_CALLBACK(on_load_failed), state);
  g_signal_connect(view, "destroy", G_CALLBACK(on_destroy), state);
  // Dropped with the view, which the monitor outlives.
  if (monitor != nullptr) {
    g_signal_connect_object(monitor, "network-changed", G_CALLBACK(on_network_changed), view,
                            G_CONNECT_DEFAULT);
  }
}

}  // namespace kv
