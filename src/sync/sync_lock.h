#pragma once

#include <string>

namespace kv {

// Keeps two programs of one user (the browser and Internet Options) from syncing at
// once: an exclusive lock on a file of the profile, held while the object lives. The
// system lets it go when the holder ends in any way.
class SyncLock {
 public:
  // Takes the lock without waiting; held() says whether it was taken.
  explicit SyncLock(const std::string& path);
  SyncLock(const SyncLock&) = delete;
  SyncLock& operator=(const SyncLock&) = delete;
  SyncLock(SyncLock&&) = delete;
  SyncLock& operator=(SyncLock&&) = delete;
  ~SyncLock();

  [[nodiscard]] bool held() const { return held_; }

 private:
  int fd_ = -1;
  bool held_ = false;
};

}  // namespace kv
