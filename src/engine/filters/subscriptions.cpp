#include "engine/filters/subscriptions.h"

#include <glib/gstdio.h>
#include <libsoup/soup.h>

#include <memory>
#include <vector>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

// No list comes near this; a server that goes on sending is cut off.
constexpr gsize kMaxListBytes = 32 * 1024 * 1024;
constexpr guint kTimeoutSeconds = 30;

struct Batch {
  ObjectRef<SoupSession> session;
  std::function<void(bool)> done;
  int pending = 0;
  bool changed = false;
};

struct Fetch {
  std::shared_ptr<Batch> batch;
  std::string copy;
  ObjectRef<SoupMessage> message;
  ObjectRef<GInputStream> body;
  std::string data;
};

// A stamp beside each copy says when it was last tried, so that a failing address is
// not asked again on every start.
std::string stamp_path(const std::string& copy) {
  return copy + ".tried";
}

bool is_due(const std::string& copy, gint64 max_age_seconds) {
  if (!g_file_test(copy.c_str(), G_FILE_TEST_IS_REGULAR)) return true;
  GStatBuf stamp;
  if (g_stat(stamp_path(copy).c_str(), &stamp) != 0) return true;
  const gint64 now = g_get_real_time() / G_USEC_PER_SEC;
  return now - static_cast<gint64>(stamp.st_mtime) >= max_age_seconds;
}

// A list is text; an error page served with 200 or a binary file is not one.
bool looks_like_list(const std::string& data) {
  if (data.empty() || data.find('\0') != std::string::npos) return false;
  const std::size_t first = data.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  return first != std::string::npos && data[first] != '<';
}

void finish(std::unique_ptr<Fetch> fetch, bool ok) {
  g_file_set_contents(stamp_path(fetch->copy).c_str(), "", 0, nullptr);
  if (ok && looks_like_list(fetch->data)) {
    OwnedChars old;
    gsize old_length = 0;
    const bool had = g_file_get_contents(fetch->copy.c_str(), out(old), &old_length, nullptr);
    const bool same = had && std::string_view(old.get(), old_length) == fetch->data;
    if (!same && g_file_set_contents_full(fetch->copy.c_str(), fetch->data.data(),
                                          static_cast<gssize>(fetch->data.size()),
                                          G_FILE_SET_CONTENTS_CONSISTENT, 0644, nullptr))
      fetch->batch->changed = true;
  }
  auto batch = fetch->batch;
  fetch.reset();
  if (--batch->pending == 0 && batch->done) batch->done(batch->changed);
}

void read_more(std::unique_ptr<Fetch> fetch);

void on_read(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Fetch> fetch(static_cast<Fetch*>(data));
  OwnedBytes bytes(g_input_stream_read_bytes_finish(G_INPUT_STREAM(source), result, nullptr));
  if (!bytes) return finish(std::move(fetch), false);
  gsize size = 0;
  const auto* chunk = static_cast<const char*>(g_bytes_get_data(bytes.get(), &size));
  if (size == 0) return finish(std::move(fetch), true);
  if (fetch->data.size() + size > kMaxListBytes) return finish(std::move(fetch), false);
  fetch->data.append(chunk, size);
  read_more(std::move(fetch));
}

void read_more(std::unique_ptr<Fetch> fetch) {
  GInputStream* body = fetch->body.get();
  g_input_stream_read_bytes_async(body, 64 * 1024, G_PRIORITY_LOW, nullptr, on_read,
                                  fetch.release());
}

void on_sent(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Fetch> fetch(static_cast<Fetch*>(data));
  fetch->body.reset(soup_session_send_finish(SOUP_SESSION(source), result, nullptr));
  if (!fetch->body || soup_message_get_status(fetch->message.get()) != SOUP_STATUS_OK)
    return finish(std::move(fetch), false);
  read_more(std::move(fetch));
}

}  // namespace

void fetch_due_subscriptions(const FilterPlaces& places, gint64 max_age_seconds,
                             std::function<void(bool changed)> done) {
  auto batch = std::make_shared<Batch>();
  batch->done = std::move(done);
  std::vector<std::pair<std::string, std::string>> due;
  for (const auto& address : subscription_addresses(places)) {
    const std::string copy = subscription_copy_path(places, address);
    if (is_due(copy, max_age_seconds)) due.emplace_back(address, copy);
  }
  if (due.empty() || g_mkdir_with_parents(places.cache_dir.c_str(), 0700) != 0) {
    if (batch->done) batch->done(false);
    return;
  }
  batch->session.reset(soup_session_new_with_options("timeout", kTimeoutSeconds, "user-agent",
                                                     "Kestrivane", nullptr));
  batch->pending = static_cast<int>(due.size());
  for (const auto& [address, copy] : due) {
    auto fetch = std::make_unique<Fetch>();
    fetch->batch = batch;
    fetch->copy = copy;
    fetch->message.reset(soup_message_new("GET", address.c_str()));
    if (!fetch->message) {
      finish(std::move(fetch), false);
      continue;
    }
    SoupMessage* message = fetch->message.get();
    soup_session_send_async(batch->session.get(), message, G_PRIORITY_LOW, nullptr, on_sent,
                            fetch.release());
  }
}

}  // namespace kv
