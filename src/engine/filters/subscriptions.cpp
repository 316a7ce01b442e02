#include "engine/filters/subscriptions.h"

#include <glib/gstdio.h>
#include <libsoup/soup.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "desktop/glib_handles.h"
#include "engine/filters/filter_list.h"

namespace kv {
namespace {

constexpr guint kTimeoutSeconds = 30;
constexpr int kMaxRedirects = 5;

struct Batch {
  ObjectRef<SoupSession> session;
  std::function<void(bool)> done;
  int pending = 0;
  bool changed = false;
};

struct Fetch {
  std::shared_ptr<Batch> batch;
  std::string copy;
  int redirects = 0;
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
  g_file_set_contents_full(stamp_path(fetch->copy).c_str(), "", 0, G_FILE_SET_CONTENTS_NONE, 0600,
                           nullptr);
  if (ok && looks_like_list(fetch->data)) {
    OwnedChars old;
    gsize old_length = 0;
    const bool had = g_file_get_contents(fetch->copy.c_str(), out(old), &old_length, nullptr);
    const bool same = had && std::string_view(old.get(), old_length) == fetch->data;
    if (!same && g_file_set_contents_full(fetch->copy.c_str(), fetch->data.data(),
                                          static_cast<gssize>(fetch->data.size()),
                                          G_FILE_SET_CONTENTS_CONSISTENT, 0600, nullptr))
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

void send(std::unique_ptr<Fetch> fetch, const std::string& address);

void on_sent(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Fetch> fetch(static_cast<Fetch*>(data));
  fetch->body.reset(soup_session_send_finish(SOUP_SESSION(source), result, nullptr));
  if (!fetch->body) return finish(std::move(fetch), false);
  SoupMessage* message = fetch->message.get();
  const guint status = soup_message_get_status(message);
  if (SOUP_STATUS_IS_REDIRECTION(status)) {
    // Followed here, and only to https: a list fetched over https must not come from an
    // address anyone on the way could answer for, nor from a file of this computer.
    const char* location =
        soup_message_headers_get_one(soup_message_get_response_headers(message), "Location");
    OwnedChars base(g_uri_to_string(soup_message_get_uri(message)));
    const std::string next =
        location == nullptr ? std::string() : subscription_redirect(base.get(), location);
    if (next.empty() || ++fetch->redirects > kMaxRedirects) return finish(std::move(fetch), false);
    fetch->body.reset();
    return send(std::move(fetch), next);
  }
  if (status != SOUP_STATUS_OK) return finish(std::move(fetch), false);
  read_more(std::move(fetch));
}

void on_file_opened(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Fetch> fetch(static_cast<Fetch*>(data));
  fetch->body.reset(G_INPUT_STREAM(g_file_read_finish(G_FILE(source), result, nullptr)));
  if (!fetch->body) return finish(std::move(fetch), false);
  read_more(std::move(fetch));
}

void send(std::unique_ptr<Fetch> fetch, const std::string& address) {
  OwnedChars scheme(g_uri_parse_scheme(address.c_str()));
  if (scheme && g_ascii_strcasecmp(scheme.get(), "file") == 0) {
    ObjectRef<GFile> file(g_file_new_for_uri(address.c_str()));
    g_file_read_async(file.get(), G_PRIORITY_LOW, nullptr, on_file_opened, fetch.release());
    return;
  }
  fetch->message.reset(soup_message_new("GET", address.c_str()));
  if (!fetch->message) return finish(std::move(fetch), false);
  SoupMessage* message = fetch->message.get();
  soup_message_add_flags(message, SOUP_MESSAGE_NO_REDIRECT);
  Batch& batch = *fetch->batch;
  soup_session_send_async(batch.session.get(), message, G_PRIORITY_LOW, nullptr, on_sent,
                          fetch.release());
}

}  // namespace

void fetch_due_subscriptions(const FilterPlaces& places, gint64 max_age_seconds,
                             std::function<void(bool changed)> done) {
  auto batch = std::make_shared<Batch>();
  batch->done = std::move(done);
  std::vector<std::pair<std::string, std::string>> due;
  std::vector<std::string> refused;
  for (const auto& address : subscription_addresses(places, &refused)) {
    const std::string copy = subscription_copy_path(places, address);
    if (is_due(copy, max_age_seconds)) due.emplace_back(address, copy);
  }
  for (const auto& address : refused)
    std::fprintf(stderr, "kestrivane: subscription %s is not fetched: lists come over https only\n",
                 address.c_str());
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
    send(std::move(fetch), address);
  }
}

std::string subscription_redirect(const std::string& from, const std::string& location) {
  OwnedChars resolved(
      g_uri_resolve_relative(from.c_str(), location.c_str(), G_URI_FLAGS_NONE, nullptr));
  if (!resolved) return {};
  OwnedChars scheme(g_uri_parse_scheme(resolved.get()));
  if (!scheme || g_ascii_strcasecmp(scheme.get(), "https") != 0) return {};
  return resolved.get();
}

}  // namespace kv
