#include "engine/profile/website_data_followers.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <sys/file.h>
#include <unistd.h>

#include <memory>
#include <utility>
#include <vector>

#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "desktop/user_paths.h"

namespace kv {
namespace {

constexpr guint kPollMs = 20;
constexpr gint64 kLongestWait = 5 * G_TIME_SPAN_SECOND;

// This process's entry; held locked while the process lives, so that an entry whose lock
// can be taken belongs to a process that has ended.
int own_entry = -1;

std::string followers_dir() {
  return website_data_cleared_path() + "-followers";
}

std::string read_entry(const std::string& path) {
  OwnedChars text;
  if (g_file_get_contents(path.c_str(), out(text), nullptr, nullptr) == FALSE) return {};
  return text.get();
}

// Whether the process of the entry at `path` is still running; an ended one's entry goes.
bool follower_runs(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool locked_by_other = flock(fd, LOCK_EX | LOCK_NB) != 0;
  if (!locked_by_other) g_remove(path.c_str());
  close(fd);
  return locked_by_other;
}

struct Wait {
  std::string mark;
  std::vector<std::string> entries;
  gint64 until = 0;
  std::function<void()> then;

  bool settled() {
    if (g_get_monotonic_time() >= until) return true;
    std::erase_if(entries, [&](const std::string& path) {
      return read_entry(path) == mark || !follower_runs(path);
    });
    return entries.empty();
  }
};

gboolean poll_followers(gpointer data) {
  auto* wait = static_cast<Wait*>(data);
  if (!wait->settled()) return G_SOURCE_CONTINUE;
  if (wait->then) guarded(wait->then);
  delete wait;  // NOLINT(cppcoreguidelines-owning-memory): owned by the timeout
  return G_SOURCE_REMOVE;
}

}  // namespace

void enlist_as_follower() {
  if (own_entry >= 0) return;
  const std::string dir = followers_dir();
  g_mkdir_with_parents(dir.c_str(), 0700);
  const std::string path = dir + "/" + std::to_string(static_cast<long>(getpid()));
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return;
  }
  own_entry = fd;
}

void report_cleared(const std::string& mark) {
  if (own_entry < 0) return;
  if (ftruncate(own_entry, 0) != 0) return;
  const auto written = pwrite(own_entry, mark.data(), mark.size(), 0);
  static_cast<void>(written);  // a report that fails only makes the deleter wait longer
}

void wait_for_followers(const std::string& mark, std::function<void()> then) {
  auto* wait = new Wait{mark, {}, g_get_monotonic_time() + kLongestWait, std::move(then)};
  const std::string dir_path = followers_dir();
  // No follower saw a mark that could not be written.
  GDir* dir = mark.empty() ? nullptr : g_dir_open(dir_path.c_str(), 0, nullptr);
  if (dir != nullptr) {
    while (const gchar* name = g_dir_read_name(dir)) wait->entries.push_back(dir_path + "/" + name);
    g_dir_close(dir);
  }
  if (wait->settled()) {
    poll_followers(wait);
    return;
  }
  g_timeout_add(kPollMs, &poll_followers, wait);
}

}  // namespace kv
