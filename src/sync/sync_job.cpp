#include "sync/sync_job.h"

#include <glib.h>
#include <libsoup/soup.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>

#include "desktop/glib_handles.h"
#include "sync/local_apply.h"
#include "sync/sync_lock.h"

namespace kv {
namespace {

// Apache marks its ETag weak for about a second after a write.
constexpr auto kEtagSettles = std::chrono::milliseconds(1100);
// floccus's own lock on the file, and how long it counts.
constexpr const char* kFloccusLock = ".lock";
constexpr std::time_t kFloccusLockLasts = 15 * 60;
constexpr int kAttempts = 3;

struct DateTimeDeleter {
  void operator()(GDateTime* time) const noexcept { g_date_time_unref(time); }
};
using OwnedDateTime = std::unique_ptr<GDateTime, DateTimeDeleter>;

// A fault that ends the sync before anything was changed.
struct Fault {
  std::string text;
  bool retry = true;
};

std::optional<Fault> fault_of(const DavResponse& response) {
  using Failure = DavResponse::Failure;
  switch (response.failure) {
    case Failure::kCertificate:
      return Fault{"The server's certificate could not be verified, so nothing was synced.", true};
    case Failure::kTimeout:
      return Fault{"The server did not answer in time."};
    case Failure::kCancelled:
      return Fault{"The sync was stopped."};
    case Failure::kTooLarge:
      return Fault{"The server's answer is larger than a bookmarks file can be."};
    case Failure::kNetwork:
      return Fault{"The server could not be reached."};
    case Failure::kNone:
      break;
  }
  const int status = response.status;
  if (status == 401 || status == 403) return Fault{"The server refused the password.", false};
  if (status == 507) return Fault{"The server has no room left for the file."};
  if (status >= 300 && status < 400) return Fault{"The server sent the file elsewhere.", false};
  if (status >= 400) {
    return Fault{"The server could not answer (error " + std::to_string(status) + ")."};
  }
  return std::nullopt;
}

std::size_t links_in(const LocalItem& folder) {
  std::size_t count = 0;
  for (const LocalItem& child : folder.children) count += child.folder ? links_in(child) : 1;
  return count;
}

class Job {
 public:
  Job(const SyncRequest& request, DavClient& dav, LocalFavorites& favorites, const SyncStore& store,
      std::time_t now)
      : request_(request), dav_(dav), favorites_(favorites), store_(store), now_(now) {}

  SyncOutcome run() {
    std::string why;
    const auto address = sync_file_address(request_.settings, why);
    if (!address) return failed({why, false});
    address_ = *address;
    std::optional<SyncLock> lock;
    if (!request_.lock_path.empty()) {
      lock.emplace(request_.lock_path);
      if (!lock->held()) return busy("another program is syncing the favourites just now.");
    }
    state_ = store_.load();
    if (state_.known && state_.address != address_) state_ = SyncState();
    local_ = favorites_.read();
    if (!local_.ok) return failed({"The favourites on this computer could not be read."});
    local_hash_ = favorites_hash(local_);
    local_changed_ = !state_.known || local_hash_ != state_.local_hash;

    // Nothing changed here, and the server's file is as the last sync left it.
    if (state_.known && !local_changed_ && !state_.etag.empty()) {
      const DavResponse found = dav_.etag(address_);
      if (auto fault = fault_of(found)) return failed(*fault);
      if (found.status == 207 && found.etag == state_.etag) return synced({});
    }
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      std::optional<SyncOutcome> done = attempt_sync();
      if (done) return *done;
    }
    return failed({"The server's file kept changing while it was synced."});
  }

 private:
  // One read, merge and write; nothing when the file changed under it and all is to be
  // done again.
  std::optional<SyncOutcome> attempt_sync() {
    const DavResponse got = dav_.get(address_);
    const bool exists = got.answered() && got.status != 404;
    if (exists) {
      if (auto fault = fault_of(got)) return failed(*fault);
    } else if (!got.answered()) {
      return failed(*fault_of(got));
    }
    if (exists && state_.known && !local_changed_ && content_hash(got.body) == state_.server_hash) {
      remember_etag(got.etag);
      return synced({});
    }
    XbelDocument remote;
    if (exists) {
      XbelRead read = read_xbel(got.body);
      if (!read.ok) return failed({"The file on the server is not an XBEL bookmarks file."});
      remote = std::move(read.document);
    }
    SyncMode mode = SyncMode::kNormal;
    if (!state_.known) {
      const bool server_empty = flatten(remote).size() == 0;
      const std::size_t here = links_in(local_.folder) + local_.list.size();
      if (server_empty) {
        mode = SyncMode::kUseLocal;
      } else if (here == 0) {
        mode = SyncMode::kUseServer;
      } else if (request_.first_sync != SyncMode::kNormal) {
        mode = request_.first_sync;
      } else {
        SyncOutcome ask = question(SyncOutcome::Question::kFirstSync);
        ask.local_count = here;
        ask.server_count = bookmark_count(flatten(remote));
        return ask;
      }
    }
    MergeOptions options;
    options.keep_deleted = request_.removal == SyncRequest::Removal::kKeep;
    const ListText text_of = [this](std::string_view bytes) { return favorites_.list_text(bytes); };
    const SyncPlan plan =
        plan_sync(remote, state_.base, state_.locations, local_, mode, text_of, options);
    if (request_.removal == SyncRequest::Removal::kAsk && large(plan, remote)) {
      return removal_question(plan);
    }

    const bool here = changes_here(plan.merged, plan.local);
    if (here && !store_.keep_local_backup(local_, now_)) {
      return failed({"No backup of the favourites could be kept, so nothing was synced."});
    }
    std::string server_bytes = exists ? got.body : "";
    std::string etag = got.etag;
    if (plan.server_changes) {
      const std::string text = write_xbel(plan.document);
      Written written = write_server_file(got, exists, text);
      if (written.ended) return written.ended;
      if (!written.done) return std::nullopt;  // changed meanwhile: all again
      etag = written.etag;
      server_bytes = text;
    }
    const LocalChanges changes =
        here ? apply_locally(plan.merged, plan.local, favorites_) : LocalChanges{};
    if (!changes.ok) {
      return failed({"Some favourites could not be changed on this computer."});
    }
    SyncState next;
    next.known = true;
    next.address = address_;
    next.base = plan.document;
    next.locations = here ? changes.locations : SyncLocations();
    if (!here) keep_locations(plan, next.locations);
    next.etag = weak_etag(etag) ? "" : etag;
    next.server_hash = content_hash(server_bytes);
    next.local_hash = here ? favorites_hash(favorites_.read()) : local_hash_;
    if (!store_.save(next)) {
      return failed({"What was synced could not be noted on this computer."});
    }
    std::size_t sent = 0;
    const SyncTree before = flatten(remote);
    for (const std::string& id : plan.merged.ids()) {
      sent += !plan.merged.find(id)->folder && !before.contains(id) ? 1 : 0;
    }
    return synced(changes, sent, plan.server_removals.size());
  }

  struct Written {
    bool done = false;                 // the file is written
    std::string etag;                  // its new ETag, "" when the server sent none
    std::optional<SyncOutcome> ended;  // the sync ends here
  };

  // Writes the file if nobody wrote it since it was read; not done when somebody did.
  Written write_server_file(const DavResponse& got, bool exists, const std::string& text) {
    Written written;
    std::string condition;
    if (exists && !got.etag.empty()) {
      const auto settled = settled_etag(got);
      if (!settled) return written;
      condition = *settled;
    }
    if (auto held = floccus_lock()) {
      written.ended = held;
      return written;
    }
    if (exists && !store_.keep_server_backup(got.body, now_)) {
      release_lock();
      written.ended =
          failed({"No backup of the server's file could be kept, so nothing was synced."});
      return written;
    }
    DavResponse put = dav_.put(address_, text, condition, !exists);
    if (!exists && put.answered() && put.status == 409) {
      // The folder is not there yet.
      if (dav_.make_folder(folder_address()).ok()) put = dav_.put(address_, text, condition, true);
    }
    release_lock();
    if (put.answered() && put.status == 412) return written;
    if (!exists && put.answered() && put.status == 409) {
      written.ended = failed({"The server folder does not exist.", false});
    } else if (auto fault = fault_of(put)) {
      written.ended = failed(*fault);
    } else {
      written.done = true;
      written.etag = put.etag;
    }
    return written;
  }

  // A strong ETag for If-Match: a weak one is taken again once the server's clock has
  // moved on; nullopt when the file changed meanwhile.
  std::optional<std::string> settled_etag(const DavResponse& got) {
    if (!weak_etag(got.etag)) return got.etag;
    dav_.pause(kEtagSettles);
    const DavResponse again = dav_.etag(address_);
    if (again.answered() && again.status == 207 && !again.etag.empty()) {
      if (etag_value(again.etag) != etag_value(got.etag)) return std::nullopt;
      if (!weak_etag(again.etag)) return again.etag;
    }
    // A server that only ever gives weak ones: the content read again must be the same.
    const DavResponse reread = dav_.get(address_);
    if (!reread.ok() || reread.body != got.body) return std::nullopt;
    return std::string();
  }

  // floccus writes "<file>.lock" while it syncs and counts it for 15 minutes; ours is
  // the same, so that it waits for us in turn.
  std::optional<SyncOutcome> floccus_lock() {
    const std::string lock = address_ + kFloccusLock;
    const DavResponse found = dav_.get(lock);
    if (!found.answered()) return failed(*fault_of(found));
    // One that this machine left behind (its server went away before it was let go) is
    // no other client's.
    if (found.status == 200 && found.body != lock_text()) {
      const OwnedDateTime when(soup_date_time_new_from_http_string(found.last_modified.c_str()));
      // A lock of unknown age counts as fresh.
      if (!when || g_date_time_to_unix(when.get()) + kFloccusLockLasts > now_) {
        return busy("floccus is syncing the file just now.");
      }
    }
    const DavResponse taken = dav_.put(lock, lock_text(), "", found.status != 200);
    if (taken.answered() && taken.status == 412)
      return busy("floccus is syncing the file just now.");
    lock_taken_ = taken.ok();
    return std::nullopt;
  }

  // floccus's lock text, with what tells this machine's lock from others'.
  std::string lock_text() const {
    const std::string machine =
        content_hash(std::string(g_get_host_name()) + "\n" + store_.folder()).substr(0, 16);
    return "<html><body>I am a lock file (Kestrivane " + machine + ")</body></html>";
  }

  void release_lock() {
    if (lock_taken_) dav_.remove(address_ + kFloccusLock);
    lock_taken_ = false;
  }

  std::string folder_address() const { return address_.substr(0, address_.rfind('/') + 1); }

  bool large(const SyncPlan& plan, const XbelDocument& remote) const {
    return large_removal(plan.local_removals.size(), bookmark_count(plan.local.tree)) ||
           large_removal(plan.server_removals.size(), bookmark_count(flatten(remote)));
  }

  SyncOutcome removal_question(const SyncPlan& plan) {
    SyncOutcome ask = question(SyncOutcome::Question::kLargeRemoval);
    for (const auto* removed : {&plan.local_removals, &plan.server_removals}) {
      for (const SyncNode& node : *removed) {
        std::string line =
            node.title == node.href ? node.href : node.title + " (" + node.href + ")";
        if (std::find(ask.would_remove.begin(), ask.would_remove.end(), line) ==
            ask.would_remove.end()) {
          ask.would_remove.push_back(std::move(line));
        }
      }
    }
    return ask;
  }

  // Where the items are when nothing here changed: where they were.
  static void keep_locations(const SyncPlan& plan, SyncLocations& locations) {
    for (const auto& [id, path] : plan.local.paths) {
      if (plan.merged.contains(id)) locations.paths[id] = path;
    }
    const std::string& list = plan.local.list_folder;
    if (plan.merged.contains(list)) {
      locations.list_folder = list;
      for (const std::string& id : plan.local.tree.children(list)) locations.list.push_back(id);
    }
  }

  void remember_etag(const std::string& etag) {
    if (weak_etag(etag) || etag == state_.etag) return;
    state_.etag = etag;
    store_.save(state_);
  }

  // "Synced 12:04, 3 added, 1 removed": what changed here, and what the server file
  // gained and lost when that is all that changed.
  SyncOutcome synced(const LocalChanges& changes, std::size_t sent = 0, std::size_t dropped = 0) {
    SyncOutcome outcome;
    outcome.kind = SyncOutcome::Kind::kSynced;
    outcome.local_changed = changes.added + changes.removed + changes.changed > 0;
    outcome.text = "Synced " + clock_time(now_);
    if (outcome.local_changed) {
      outcome.text += ", " + std::to_string(changes.added) + " added, " +
                      std::to_string(changes.removed) + " removed";
      if (changes.changed > 0) outcome.text += ", " + std::to_string(changes.changed) + " changed";
    } else if (sent + dropped > 0) {
      if (sent > 0) outcome.text += ", " + std::to_string(sent) + " sent to the server";
      if (dropped > 0) outcome.text += ", " + std::to_string(dropped) + " removed from the server";
    } else {
      outcome.text += ", nothing changed";
    }
    return outcome;
  }

  SyncOutcome failed(const Fault& fault) const {
    SyncOutcome outcome;
    outcome.kind = SyncOutcome::Kind::kFailed;
    outcome.text = "Not synced " + clock_time(now_) + ": " + fault.text;
    outcome.retry = fault.retry;
    return outcome;
  }

  SyncOutcome busy(const std::string& why) const {
    SyncOutcome outcome;
    outcome.kind = SyncOutcome::Kind::kBusy;
    outcome.text = "Not synced " + clock_time(now_) + ": " + why;
    outcome.retry = true;
    return outcome;
  }

  SyncOutcome question(SyncOutcome::Question asked) const {
    SyncOutcome outcome;
    outcome.kind = SyncOutcome::Kind::kQuestion;
    outcome.question = asked;
    outcome.text = "Waiting for your answer " + clock_time(now_) + ".";
    return outcome;
  }

  const SyncRequest& request_;
  DavClient& dav_;
  LocalFavorites& favorites_;
  const SyncStore& store_;
  std::time_t now_;
  std::string address_;
  SyncState state_;
  LocalRead local_;
  std::string local_hash_;
  bool local_changed_ = false;
  bool lock_taken_ = false;
};

}  // namespace

SyncOutcome run_sync(const SyncRequest& request, DavClient& dav, LocalFavorites& favorites,
                     const SyncStore& store, std::time_t now) {
  try {
    return Job(request, dav, favorites, store, now).run();
  } catch (...) {
    SyncOutcome outcome;
    outcome.text = "Not synced " + clock_time(now) + ": the sync failed unexpectedly.";
    outcome.retry = true;
    return outcome;
  }
}

std::string clock_time(std::time_t now) {
  const OwnedDateTime time(g_date_time_new_from_unix_local(now));
  return time ? take_string(g_date_time_format(time.get(), "%H:%M")) : std::string();
}

}  // namespace kv
