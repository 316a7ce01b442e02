#include "sync/sync_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kv {

SyncLock::SyncLock(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ >= 0) held_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
}

SyncLock::~SyncLock() {
  if (fd_ >= 0) ::close(fd_);  // lets the lock go
}

}  // namespace kv
