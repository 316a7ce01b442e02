#pragma once

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/buttonbox.h>
#include <gtkmm/label.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/textview.h>
#include <gtkmm/window.h>

#include <functional>

#include "sync/sync_job.h"

namespace kv {

// What the user answered a sync's question.
enum class SyncAnswer { kMerge, kUseServer, kUseLocal, kRemove, kKeep, kNotNow };

// A sync's question: the first sync's "Merge", "Use the Server's" or "Use This
// Computer's", or, before a sync would remove many favourites, what would go with
// "Remove Them" or "Keep Them". "Not Now" (or closing it) syncs nothing. The answer
// goes to `answered` once, and the window hides.
class SyncQuestionWindow : public Gtk::Window {
 public:
  SyncQuestionWindow(const SyncOutcome& asked, std::function<void(SyncAnswer)> answered);
  SyncQuestionWindow(const SyncQuestionWindow&) = delete;
  SyncQuestionWindow& operator=(const SyncQuestionWindow&) = delete;
  SyncQuestionWindow(SyncQuestionWindow&&) = delete;
  SyncQuestionWindow& operator=(SyncQuestionWindow&&) = delete;
  ~SyncQuestionWindow() override;

  Gtk::Label lblSyncQuestion;
  Gtk::TextView txtSyncRemovals;  // what would go, one a line
  Gtk::Button cmdSyncMerge, cmdSyncUseServer, cmdSyncUseLocal, cmdSyncRemove, cmdSyncKeep,
      cmdSyncNotNow;

 private:
  void answer(SyncAnswer answer);

  std::function<void(SyncAnswer)> answered_;
  Gtk::Box box_{Gtk::ORIENTATION_VERTICAL, 12};
  Gtk::ScrolledWindow removals_;
  Gtk::ButtonBox buttons_{Gtk::ORIENTATION_HORIZONTAL};
};

// The request that an answer makes of the next sync; false for "Not Now".
bool apply_sync_answer(SyncAnswer answer, SyncRequest& request);

inline constexpr const char* kSyncQuestionTitle = "Favorites Sync";

}  // namespace kv
