#include "favorites/sync_question_window.h"

#include "desktop/control_name.h"
#include "desktop/dialog_buttons.h"
#include "desktop/guarded.h"

namespace kv {
namespace {

std::string count_text(std::size_t count) {
  return count == 1 ? "1 favorite" : std::to_string(count) + " favorites";
}

}  // namespace

bool apply_sync_answer(SyncAnswer answer, SyncRequest& request) {
  switch (answer) {
    case SyncAnswer::kMerge:
      request.first_sync = SyncMode::kMerge;
      return true;
    case SyncAnswer::kUseServer:
      request.first_sync = SyncMode::kUseServer;
      return true;
    case SyncAnswer::kUseLocal:
      request.first_sync = SyncMode::kUseLocal;
      return true;
    case SyncAnswer::kRemove:
      request.removal = SyncRequest::Removal::kRemove;
      return true;
    case SyncAnswer::kKeep:
      request.removal = SyncRequest::Removal::kKeep;
      return true;
    case SyncAnswer::kNotNow:
      break;
  }
  return false;
}

SyncQuestionWindow::SyncQuestionWindow(const SyncOutcome& asked,
                                       std::function<void(SyncAnswer)> answered)
    : answered_(std::move(answered)) {
  set_control_name(*this, "frmSyncQuestion");
  set_title(kSyncQuestionTitle);
  set_resizable(false);
  set_border_width(12);
  set_position(Gtk::WIN_POS_CENTER);
  set_control_name(lblSyncQuestion, "lblSyncQuestion");
  lblSyncQuestion.set_xalign(0.0F);
  lblSyncQuestion.set_line_wrap(true);
  lblSyncQuestion.set_max_width_chars(60);
  box_.pack_start(lblSyncQuestion, Gtk::PACK_SHRINK);

  const bool first = asked.question == SyncOutcome::Question::kFirstSync;
  if (first) {
    lblSyncQuestion.set_text(
        "This is the first sync of this computer's favorites with the server. This computer "
        "has " +
        count_text(asked.local_count) + " and the server's file has " +
        count_text(asked.server_count) +
        ".\n\nMerge keeps both, and the favorites they share once. Use the Server's "
        "replaces this computer's favorites with the server's; Use This Computer's replaces "
        "the server's with these. A copy of what is replaced is kept either way.");
    pack_dialog_buttons(buttons_, {{&cmdSyncMerge, "cmdSyncMerge", "_Merge"},
                                   {&cmdSyncUseServer, "cmdSyncUseServer", "Use the _Server's"},
                                   {&cmdSyncUseLocal, "cmdSyncUseLocal", "Use This _Computer's"},
                                   {&cmdSyncNotNow, "cmdSyncNotNow", "Not _Now"}});
  } else {
    lblSyncQuestion.set_text("This sync would remove " + count_text(asked.would_remove.size()) +
                             ", more than a tenth of them. They were removed on another "
                             "computer, or here. Remove them everywhere, or keep them?");
    set_control_name(txtSyncRemovals, "txtSyncRemovals");
    std::string lines;
    for (const std::string& line : asked.would_remove) lines += line + "\n";
    txtSyncRemovals.get_buffer()->set_text(lines);
    txtSyncRemovals.set_editable(false);
    txtSyncRemovals.set_cursor_visible(false);
    removals_.add(txtSyncRemovals);
    removals_.set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
    removals_.set_shadow_type(Gtk::SHADOW_IN);
    removals_.set_size_request(480, 180);
    box_.pack_start(removals_, Gtk::PACK_EXPAND_WIDGET);
    pack_dialog_buttons(buttons_, {{&cmdSyncRemove, "cmdSyncRemove", "_Remove Them"},
                                   {&cmdSyncKeep, "cmdSyncKeep", "_Keep Them"},
                                   {&cmdSyncNotNow, "cmdSyncNotNow", "Not _Now"}});
  }
  box_.pack_start(buttons_, Gtk::PACK_SHRINK);
  add(box_);
  box_.show_all();

  cmdSyncMerge.signal_clicked().connect([this] { answer(SyncAnswer::kMerge); });
  cmdSyncUseServer.signal_clicked().connect([this] { answer(SyncAnswer::kUseServer); });
  cmdSyncUseLocal.signal_clicked().connect([this] { answer(SyncAnswer::kUseLocal); });
  cmdSyncRemove.signal_clicked().connect([this] { answer(SyncAnswer::kRemove); });
  cmdSyncKeep.signal_clicked().connect([this] { answer(SyncAnswer::kKeep); });
  cmdSyncNotNow.signal_clicked().connect([this] { answer(SyncAnswer::kNotNow); });
  signal_delete_event().connect(
      [this](GdkEventAny*) {
        answer(SyncAnswer::kNotNow);
        return true;
      },
      false);
}

SyncQuestionWindow::~SyncQuestionWindow() = default;

void SyncQuestionWindow::answer(SyncAnswer answer) {
  guarded([this] { hide(); });
  // Once: a second press before the window has gone does nothing.
  auto answered = std::move(answered_);
  answered_ = nullptr;
  if (answered) guarded([&] { answered(answer); });
}

}  // namespace kv
