#include "session/lost_session.h"

#include <memory>

#include "browser/addresses.h"
#include "browser/form1.h"
#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "engine/control/web_browser.h"
#include "session/session_keeper.h"

namespace kv {
namespace {

// Only page addresses come back from the file: a script address would run in the page.
bool page_address(const std::string& address) {
  const OwnedChars scheme(g_uri_parse_scheme(address.c_str()));
  if (!scheme) return false;
  const std::string name(scheme.get());
  return name == "http" || name == "https" || name == "file";
}

}  // namespace

void reopen_window(Form1& form, const SessionWindow& window) {
  if (form.wWeb.RestoreSessionState(window.state)) return;
  if (page_address(window.address)) form.wWeb.Navigate(window.address);
}

void offer_lost_session(Form1& form, const Session& lost, MainWindowOpener open_window,
                        SessionKeeper& keeper) {
  RestoreOffer offer;
  for (const SessionWindow& window : lost.windows) {
    offer.windows.push_back({window.title, window.address});
  }
  offer.can_reopen = lost.restored_at == 0;
  // The windows may be reopened once only, however often the link is followed.
  auto windows = std::make_shared<std::vector<SessionWindow>>(lost.windows);
  offer.reopen = [&form, windows, open_window = std::move(open_window), &keeper] {
    if (windows->empty()) return;
    const std::vector<SessionWindow> reopened = std::move(*windows);
    windows->clear();
    reopen_window(form, reopened.front());
    for (std::size_t i = 1; i < reopened.size(); ++i) {
      // Its page loads before the window shows, as in every new window: the engine draws
      // nothing for a first load that starts after.
      guarded([&] {
        Form1& window = open_window("");
        reopen_window(window, reopened[i]);
        window.show();
      });
    }
    keeper.restored();
  };
  offer.start_afresh = [&form] { form.wWeb.Navigate(kStartPageUrl); };
  form.wWeb.ShowRestoreNotice(std::move(offer));
}

}  // namespace kv
