#pragma once

#include <glibmm/ustring.h>

#include <functional>

#include "session/session_file.h"

namespace kv {

class Form1;
class SessionKeeper;

// Loads a new main window on `address` ("" loads nothing) without showing it.
using MainWindowOpener = std::function<Form1&(const Glib::ustring& address)>;

// Shows the notice about `lost` in `form` in place of its page. Reopen brings back each
// window with its history (the first into `form`) and tells `keeper`; Start afresh loads
// the start page. A lost session that had itself just been restored is listed as links.
void offer_lost_session(Form1& form, const Session& lost, MainWindowOpener open_window,
                        SessionKeeper& keeper);

// Brings back one window of a lost session into `form`: its history, or, when the
// engine refuses that, its address alone.
void reopen_window(Form1& form, const SessionWindow& window);

}  // namespace kv
