#include "sync/sync_schedule.h"

#include <gtest/gtest.h>

#include "support/run_until.h"

namespace kv {
namespace {

using namespace std::chrono_literals;
using Kind = SyncOutcome::Kind;

SyncOutcome outcome(Kind kind, bool retry = false) {
  SyncOutcome made;
  made.kind = kind;
  made.retry = retry;
  return made;
}

TEST(SyncSchedule, FaultsThatMayPassAreTriedAgainLaterAndLaterUpToTheRegularInterval) {
  EXPECT_EQ(SyncSchedule::next_after(outcome(Kind::kSynced), 0), 15min);
  EXPECT_EQ(SyncSchedule::next_after(outcome(Kind::kFailed, true), 1), 30s);
  EXPECT_EQ(SyncSchedule::next_after(outcome(Kind::kFailed, true), 2), 60s);
  EXPECT_EQ(SyncSchedule::next_after(outcome(Kind::kFailed, true), 4), 240s);
  EXPECT_EQ(SyncSchedule::next_after(outcome(Kind::kFailed, true), 9), 15min);
  EXPECT_EQ(SyncSchedule::next_after(outcome(Kind::kFailed, true), 1000), 15min);
  // A refused password is not tried again and again.
  EXPECT_EQ(SyncSchedule::next_after(outcome(Kind::kFailed, false), 1), 15min);
  EXPECT_EQ(SyncSchedule::next_after(outcome(Kind::kBusy, true), 1), 10s);
}

TEST(SyncSchedule, ChangesBringTheSyncForwardAndNeverPutItOff) {
  int due = 0;
  SyncSchedule schedule([&] { ++due; });
  EXPECT_FALSE(schedule.due_at());
  schedule.synced(outcome(Kind::kSynced));
  const auto regular = *schedule.due_at();
  EXPECT_GT(regular, std::chrono::steady_clock::now() + 14min);

  const auto before = std::chrono::steady_clock::now();
  schedule.favorites_changed();
  const auto first = *schedule.due_at();
  EXPECT_LE(first, before + SyncSchedule::kAfterChange + 1s);
  // Changes keep coming: the sync they asked for is not put off, so it comes within
  // five seconds of the first.
  schedule.favorites_changed();
  schedule.program_started();
  EXPECT_EQ(*schedule.due_at(), first);
  ASSERT_TRUE(test::run_until([&] { return due == 1; }, 10s));
  EXPECT_FALSE(schedule.due_at());
}

TEST(SyncSchedule, NothingIsDueWhileAQuestionWaits) {
  int due = 0;
  SyncSchedule schedule([&] { ++due; });
  schedule.synced(outcome(Kind::kQuestion));
  schedule.favorites_changed();
  schedule.program_started();
  EXPECT_FALSE(schedule.due_at());
  schedule.release();
  schedule.favorites_changed();
  EXPECT_TRUE(schedule.due_at());
}

}  // namespace
}  // namespace kv
