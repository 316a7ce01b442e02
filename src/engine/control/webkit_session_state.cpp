// The control's history in and out as bytes, and the notice about a lost session.
#include <memory>
#include <utility>

#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "engine/control/kept_history.h"
#include "engine/control/webkit_browser.h"
#include "engine/pages/crash_page.h"
#include "engine/pages/restore_page.h"

namespace kv {
namespace {

struct SessionStateDeleter {
  void operator()(WebKitWebViewSessionState* state) const noexcept {
    webkit_web_view_session_state_unref(state);
  }
};
using OwnedSessionState = std::unique_ptr<WebKitWebViewSessionState, SessionStateDeleter>;

}  // namespace

std::vector<std::uint8_t> WebKitBrowser::SessionState() const {
  if (view_destroyed_) return {};
  const OwnedSessionState state(webkit_web_view_get_session_state(view_));
  if (!state) return {};
  const OwnedBytes bytes(webkit_web_view_session_state_serialize(state.get()));
  if (!bytes) return {};
  gsize size = 0;
  const auto* data = static_cast<const std::uint8_t*>(g_bytes_get_data(bytes.get(), &size));
  if (data == nullptr) return {};
  // What a user typed into a page never leaves the engine.
  return kept_history({data, size});
}

bool WebKitBrowser::RestoreSessionState(const std::vector<std::uint8_t>& state) {
  if (view_destroyed_ || state.empty()) return false;
  // A file of an older run may still hold posted forms: none is sent again.
  const std::vector<std::uint8_t> kept = kept_history(state);
  if (kept.empty()) return false;
  const OwnedBytes bytes(g_bytes_new(kept.data(), kept.size()));
  // The engine checks the bytes' shape and gives nothing for any it does not know.
  const OwnedSessionState restored(webkit_web_view_session_state_new(bytes.get()));
  if (!restored) return false;
  webkit_web_view_restore_session_state(view_, restored.get());
  // Restoring only fills the lists; the current page loads from its own entry, so that
  // it keeps its place between Back and Forward.
  WebKitBackForwardListItem* current =
      webkit_back_forward_list_get_current_item(webkit_web_view_get_back_forward_list(view_));
  if (current == nullptr) return false;
  webkit_web_view_go_to_back_forward_list_item(view_, current);
  // The lists were filled without a navigation of their own.
  HistoryListChange.emit(webkit_web_view_can_go_back(view_) != FALSE,
                         webkit_web_view_can_go_forward(view_) != FALSE);
  return true;
}

void WebKitBrowser::ShowRestoreNotice(RestoreOffer offer) {
  if (view_destroyed_) return;
  std::vector<RestoreEntry> entries;
  entries.reserve(offer.windows.size());
  for (LostWindow& window : offer.windows) {
    entries.push_back({std::move(window.title), std::move(window.address)});
  }
  guarded([&] {
    // Shown with the program's first window, right as the splash screen goes.
    redraw_after_first_load(view_);
    show_notice(view_, "",
                restore_notice(entries, offer.can_reopen, std::move(offer.reopen),
                               std::move(offer.start_afresh)));
  });
}

}  // namespace kv
