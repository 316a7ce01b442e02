#pragma once

#include <memory>

#include "favorites/sync_question_window.h"
#include "sync/sync_runner.h"
#include "sync/sync_schedule.h"

namespace kv {

class FavoritesHost;

// The browser's favourites sync in the background, once Internet Options has set it
// up: shortly after the program starts, within 5 seconds of a change to the favourites,
// every 15 minutes. It runs on the sync's own thread and says nothing, unless a first
// sync or a large removal needs the user: then a window of the program asks, and the
// background sync waits for the answer. The favourites window takes what a sync wrote.
class ProgramSync {
 public:
  explicit ProgramSync(FavoritesHost& host);
  ProgramSync(const ProgramSync&) = delete;
  ProgramSync& operator=(const ProgramSync&) = delete;
  ProgramSync(ProgramSync&&) = delete;
  ProgramSync& operator=(ProgramSync&&) = delete;
  ~ProgramSync();

  void program_started();
  void favorites_changed();

  // The question that waits for the user, while one does.
  [[nodiscard]] SyncQuestionWindow* question() { return question_.get(); }
  [[nodiscard]] bool running() const { return runner_.running(); }

 private:
  void due();
  void run(const SyncRequest& request);
  void finished(const SyncRequest& request, const SyncOutcome& outcome);
  void ask(const SyncRequest& request, const SyncOutcome& outcome);

  FavoritesHost& host_;
  SyncRunner runner_;
  SyncSchedule schedule_;
  std::unique_ptr<SyncQuestionWindow> question_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  bool again_ = false;    // the favourites changed while a sync ran
  bool put_off_ = false;  // the user answered "Not Now"
};

}  // namespace kv
