#pragma once

#include <string>

#include "bookmarks/xbel.h"
#include "memory_favorites.h"
#include "sync/local_apply.h"
#include "sync/sync_plan.h"

namespace kv::test {

// A machine's favourites and what its last sync left, in memory.
struct Machine {
  MemoryFavorites favorites;
  XbelDocument base;
  SyncLocations was;
};

struct Round {
  SyncPlan plan;
  LocalChanges changes;
};

// One sync of `machine` with a server file kept as text, as a WebDAV server keeps it:
// planned, made on the machine, and written back.
inline Round sync(Machine& machine, std::string& server, SyncMode mode = SyncMode::kNormal,
                  const MergeOptions& options = {}) {
  XbelDocument remote;
  if (!server.empty()) remote = read_xbel(server).document;
  auto text_of = [&machine](std::string_view bytes) { return machine.favorites.list_text(bytes); };
  Round round;
  round.plan = plan_sync(remote, machine.base, machine.was, machine.favorites.read(), mode, text_of,
                         options);
  round.changes = apply_locally(round.plan.merged, round.plan.local, machine.favorites);
  if (round.plan.server_changes) server = write_xbel(round.plan.document);
  if (round.changes.ok) {
    machine.base = round.plan.document;
    machine.was = round.changes.locations;
  }
  return round;
}

}  // namespace kv::test
