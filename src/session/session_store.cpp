#include "session/session_store.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "desktop/glib_handles.h"

namespace kv {

std::string default_session_folder() {
  return std::string(g_get_user_state_dir()) + "/kestrivane";
}

SessionStore::SessionStore(std::string folder)
    : folder_(std::move(folder)), path_(folder_ + "/session") {}

void SessionStore::move_aside(const std::string& why) {
  const std::string bad = bad_path();
  // An earlier bad file, or a folder left in its place, makes way.
  if (g_rename(path_.c_str(), bad.c_str()) != 0) {
    ::g_remove(bad.c_str());
    if (g_rename(path_.c_str(), bad.c_str()) != 0) ::g_remove(path_.c_str());
  }
  // The file kept its mode, which a copy put there by hand may have left open to others.
  GStatBuf info{};
  if (g_lstat(bad.c_str(), &info) == 0 && S_ISREG(info.st_mode)) g_chmod(bad.c_str(), 0600);
  std::fprintf(stderr, "kestrivane: %s %s; moved aside as %s\n", path_.c_str(), why.c_str(),
               bad.c_str());
}

std::optional<Session> SessionStore::take_left_session() {
  GStatBuf info{};
  if (g_lstat(path_.c_str(), &info) != 0) return std::nullopt;
  // Never opened unless it is a plain file: a FIFO would block, a device never end.
  if (!S_ISREG(info.st_mode)) {
    move_aside("is not a regular file");
    return std::nullopt;
  }
  if (static_cast<std::size_t>(info.st_size) > kLargestSessionFile) {
    move_aside("is too large");
    return std::nullopt;
  }
  OwnedChars text;
  gsize length = 0;
  OwnedError error;
  if (g_file_get_contents(path_.c_str(), out(text), &length, out(error)) == FALSE ||
      length > kLargestSessionFile) {
    move_aside("cannot be read");
    return std::nullopt;
  }
  auto session = parse_session_file(std::string_view(text.get(), length));
  if (!session) {
    move_aside("is not a whole session file");
    return std::nullopt;
  }
  return session;
}

bool SessionStore::save(const Session& session) {
  if (g_mkdir_with_parents(folder_.c_str(), 0700) != 0) return false;
  g_chmod(folder_.c_str(), 0700);
  const std::string text = session_file_text(session);
  OwnedError error;
  // Written to a temporary file, synced, then renamed over the old one.
  return g_file_set_contents_full(path_.c_str(), text.data(), static_cast<gssize>(text.size()),
                                  static_cast<GFileSetContentsFlags>(
                                      G_FILE_SET_CONTENTS_CONSISTENT | G_FILE_SET_CONTENTS_DURABLE),
                                  0600, out(error)) != FALSE;
}

void SessionStore::remove() {
  ::g_remove(path_.c_str());
}

}  // namespace kv
