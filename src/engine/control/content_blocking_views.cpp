#include "engine/control/content_blocking_views.h"

#include <chrono>
#include <string>
#include <vector>

#include "desktop/object_state.h"

namespace kv {
namespace {

constexpr const char* kStateKey = "kv-content-blocking";
// Longer would be felt: a list still being compiled applies to the loads after it.
constexpr std::chrono::milliseconds kStoredListsWait{100};

constexpr const char* kAppliedKey = "kv-content-filters-applied";

struct ViewFilters {
  WebKitWebView* view = nullptr;
  ContentBlocking* blocking = nullptr;
  sigc::connection changed;
};

// What a content manager holds; kept on the manager, which a window opened by a page
// shares with its opener.
std::vector<std::string>& applied_to(WebKitUserContentManager* manager) {
  using Applied = std::vector<std::string>;
  if (auto* applied = attached_state<Applied>(manager, kAppliedKey)) return *applied;
  return attach_state(manager, kAppliedKey, new Applied);
}

void apply(ViewFilters& state) {
  const char* uri = webkit_web_view_get_uri(state.view);
  // A view that has shown nothing yet is about to show a web page, most likely.
  const bool wanted = uri == nullptr || *uri == '\0'
                          ? state.blocking->settings().enabled
                          : filters_page(state.blocking->settings(), uri);
  std::vector<WebKitUserContentFilter*> filters;
  if (wanted) filters = state.blocking->filters();
  std::vector<std::string> ids;
  for (auto* filter : filters) ids.emplace_back(webkit_user_content_filter_get_identifier(filter));
  WebKitUserContentManager* manager = webkit_web_view_get_user_content_manager(state.view);
  std::vector<std::string>& applied = applied_to(manager);
  if (ids == applied) return;
  webkit_user_content_manager_remove_all_filters(manager);
  for (auto* filter : filters) webkit_user_content_manager_add_filter(manager, filter);
  applied = std::move(ids);
}

}  // namespace

void follow_content_blocking(WebKitWebView* view, ContentBlocking& blocking) {
  if (g_object_get_data(G_OBJECT(view), kStateKey) != nullptr) return;
  blocking.wait_for_stored_lists(kStoredListsWait);
  auto* state = new ViewFilters{view, &blocking, {}};
  g_object_set_data_full(G_OBJECT(view), kStateKey, state, [](gpointer data) {
    auto* dying = static_cast<ViewFilters*>(data);
    dying->changed.disconnect();
    delete dying;
  });
  state->changed = blocking.signal_changed().connect([state] { apply(*state); });
  g_signal_connect(view, "notify::uri", G_CALLBACK(+[](WebKitWebView*, GParamSpec*, gpointer data) {
                     apply(*static_cast<ViewFilters*>(data));
                   }),
                   state);
  apply(*state);
}

}  // namespace kv
