#include "app/program_sync.h"

#include <glibmm/main.h>

#include "desktop/guarded.h"
#include "favorites/fav_list_sync.h"
#include "favorites/favorites_host.h"
#include "favorites/frm_fav.h"
#include "favorites/module1.h"
#include "favorites/sync_places.h"
#include "sync/sync_settings.h"

namespace kv {

ProgramSync::ProgramSync(FavoritesHost& host)
    : host_(host),
      runner_(sync_runner_setup(sync_places(host.favorites_file()), sync_login_store())),
      schedule_([this] { due(); }) {}

ProgramSync::~ProgramSync() {
  *alive_ = false;
}

void ProgramSync::program_started() {
  schedule_.program_started();
}

void ProgramSync::favorites_changed() {
  if (put_off_) {
    // A change of the user's own brings a put-off question back.
    put_off_ = false;
    schedule_.release();
  }
  schedule_.favorites_changed();
}

void ProgramSync::due() {
  SyncRequest request;
  request.settings = load_sync_settings();
  if (!request.settings.configured()) {
    // Internet Options may set it up while the browser runs.
    SyncOutcome idle;
    idle.kind = SyncOutcome::Kind::kSynced;
    schedule_.synced(idle);
    return;
  }
  if (runner_.running()) {
    again_ = true;
    return;
  }
  run(request);
}

void ProgramSync::run(const SyncRequest& request) {
  // The favourites window's unsaved list goes to fav.Dat first, so that it is synced.
  guarded([&] {
    frmFav* window = host_.favorites_window();
    if (window == nullptr || window->file_read == Module1::FileRead::kUnreadable) return;
    if (!window->synced_lines) {
      // Loaded before sync was set up: from now on it follows what a sync writes.
      if (window->changed && Module1::SaveListToFile(window->items(), host_.favorites_file())) {
        window->changed = false;
      }
      follow_synced_favorites(*window, host_);
    } else if (window->changed) {
      save_synced_favorites(*window, host_.favorites_file());
    }
  });
  runner_.start(request, [this, alive = alive_, request](const SyncOutcome& outcome) {
    if (*alive) finished(request, outcome);
  });
}

void ProgramSync::finished(const SyncRequest& request, const SyncOutcome& outcome) {
  if (outcome.local_changed) {
    guarded([&] {
      if (frmFav* window = host_.favorites_window()) {
        take_synced_favorites(*window, host_.favorites_file());
      }
    });
  }
  if (outcome.kind == SyncOutcome::Kind::kQuestion) {
    schedule_.hold();
    ask(request, outcome);
    return;
  }
  schedule_.synced(outcome);
  if (again_) {
    again_ = false;
    schedule_.favorites_changed();
  }
}

void ProgramSync::ask(const SyncRequest& request, const SyncOutcome& outcome) {
  // The last question's window may be the one whose answer led here: it goes later.
  std::unique_ptr<SyncQuestionWindow> last = std::move(question_);
  question_ = std::make_unique<SyncQuestionWindow>(
      outcome, [this, alive = alive_, request](SyncAnswer answer) {
        if (!*alive) return;
        SyncRequest next = request;
        if (apply_sync_answer(answer, next)) {
          schedule_.release();
          run(next);
        } else {
          put_off_ = true;
        }
      });
  question_->set_keep_above(true);
  question_->show();
  if (last)
    Glib::signal_idle().connect_once(
        [gone = std::shared_ptr<SyncQuestionWindow>(std::move(last))] {});
}

}  // namespace kv
