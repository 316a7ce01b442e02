#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/pages/notice_scheme.h"

namespace kv {

// One window of a session that ended without closing, as the notice names it.
struct RestoreEntry {
  std::string title;
  std::string address;
};

// The notice shown after the program did not close properly. With `can_reopen` it lists
// the windows and offers to reopen them all; without (the last restore itself ended
// badly), each window is a plain link that only loads its address in this view. Either
// way "Start afresh" is offered.
Notice restore_notice(const std::vector<RestoreEntry>& windows, bool can_reopen,
                      std::function<void()> reopen, std::function<void()> start_afresh);

// "Title — address", or the address alone for a window without a title.
std::string restore_entry_text(const RestoreEntry& entry);

}  // namespace kv
