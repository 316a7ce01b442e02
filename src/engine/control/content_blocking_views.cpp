#include "engine/control/content_blocking_views.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "desktop/glib_handles.h"
#include "desktop/object_state.h"

namespace kv {
namespace {

constexpr const char* kStateKey = "kv-content-blocking";
// Longer would be felt: a list still being compiled applies to the loads after it.
constexpr std::chrono::milliseconds kStoredListsWait{100};

constexpr const char* kSharedKey = "kv-content-filters-shared";

struct ViewFilters;

// A content manager and what it holds. A window opened by a page is the engine's related
// view, whose pages take their opener's manager (even one made with a manager of its
// own: the engine builds the pop-up's page from its opener's configuration), so the
// filters are on while any view of the manager shows a page they apply to. A pop-up on
// an allowed site is filtered while its opener is; its opener is never unfiltered by it.
struct SharedFilters {
  std::vector<std::string> applied;
  std::vector<ViewFilters*> views;
};

struct ViewFilters {
  WebKitWebView* view = nullptr;
  ContentBlocking* blocking = nullptr;
  // Held, so that the views' list outlives each of them.
  ObjectRef<WebKitUserContentManager> manager;
  sigc::connection changed;
};

SharedFilters& shared_by(WebKitUserContentManager* manager) {
  if (auto* shared = attached_state<SharedFilters>(manager, kSharedKey)) return *shared;
  return attach_state(manager, kSharedKey, new SharedFilters);
}

bool page_wants_filters(const ViewFilters& state) {
  const char* uri = webkit_web_view_get_uri(state.view);
  // A view that has shown nothing yet is about to show a web page, most likely.
  return uri == nullptr || *uri == '\0' ? state.blocking->settings().enabled
                                        : filters_page(state.blocking->settings(), uri);
}

void apply(ViewFilters& state) {
  SharedFilters& shared = shared_by(state.manager.get());
  const bool wanted =
      std::any_of(shared.views.begin(), shared.views.end(),
                  [](const ViewFilters* view) { return page_wants_filters(*view); });
  std::vector<WebKitUserContentFilter*> filters;
  if (wanted) filters = state.blocking->filters();
  std::vector<std::string> ids;
  for (auto* filter : filters) ids.emplace_back(webkit_user_content_filter_get_identifier(filter));
  if (ids == shared.applied) return;
  WebKitUserContentManager* manager = state.manager.get();
  webkit_user_content_manager_remove_all_filters(manager);
  for (auto* filter : filters) webkit_user_content_manager_add_filter(manager, filter);
  shared.applied = std::move(ids);
}

}  // namespace

void follow_content_blocking(WebKitWebView* view, ContentBlocking& blocking) {
  if (g_object_get_data(G_OBJECT(view), kStateKey) != nullptr) return;
  blocking.wait_for_stored_lists(kStoredListsWait);
  auto* state = new ViewFilters{
      view, &blocking, ref_object(webkit_web_view_get_user_content_manager(view)), {}};
  shared_by(state->manager.get()).views.push_back(state);
  g_object_set_data_full(G_OBJECT(view), kStateKey, state, [](gpointer data) {
    auto* dying = static_cast<ViewFilters*>(data);
    dying->changed.disconnect();
    std::erase(shared_by(dying->manager.get()).views, dying);
    // The views left may all be on allowed sites now.
    if (!shared_by(dying->manager.get()).views.empty())
      apply(*shared_by(dying->manager.get()).views.front());
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
