#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "sync/dav_client.h"
#include "sync/local_favorites.h"
#include "sync/sync_plan.h"
#include "sync/sync_settings.h"
#include "sync/sync_state.h"

namespace kv {

// A sync the user asked for or the program started, with the user's answers so far.
struct SyncRequest {
  SyncSettings settings;
  // A first sync against a server file that holds favourites, on a machine that holds
  // some: kNormal until the user has answered Merge, Use the Server's or Use This
  // Computer's.
  SyncMode first_sync = SyncMode::kNormal;
  enum class Removal { kAsk, kRemove, kKeep };
  // A sync that would remove many favourites asks first; then the answer is here.
  Removal removal = Removal::kAsk;
  // The lock file that keeps two programs from syncing at once; "" takes none.
  std::string lock_path;
};

struct SyncOutcome {
  enum class Kind {
    kSynced,    // both sides hold the same favourites
    kQuestion,  // nothing was changed: the user is to answer `question` first
    kFailed,    // nothing was changed that could lose anything; `text` says why
    kBusy,      // another program is syncing: try again shortly
  };
  enum class Question { kNone, kFirstSync, kLargeRemoval };
  Kind kind = Kind::kFailed;
  Question question = Question::kNone;
  std::string text;                       // in plain words, with the time
  bool retry = false;                     // a fault that may pass by itself
  bool local_changed = false;             // this machine's favourites were changed
  std::size_t local_count = 0;            // first sync: favourites here
  std::size_t server_count = 0;           // first sync: favourites in the server's file
  std::vector<std::string> would_remove;  // large removal: what would go, one a line
};

// One sync of this machine's favourites with the server file: read the file, merge, write
// the file back only if nobody wrote it since (If-Match on its ETag; a weak one is taken
// again once it has settled), then change this machine's favourites, and keep the new
// base. A file that another client (floccus) holds locked is left until later. Keeps the
// server file and this machine's favourites in the store's backups before replacing
// them. A sync that changes nothing on either side asks the server once.
SyncOutcome run_sync(const SyncRequest& request, DavClient& dav, LocalFavorites& favorites,
                     const SyncStore& store, std::time_t now);

// "12:04" for `now`, in local time.
std::string clock_time(std::time_t now);

}  // namespace kv
