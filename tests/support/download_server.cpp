#include "support/download_server.h"

#include <libsoup/soup.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <utility>

namespace kv::test {

std::string download_bytes(std::size_t offset, std::size_t length) {
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i) {
    const std::size_t at = offset + i;
    bytes[i] = static_cast<char>((at % 251) + (at / 4093));
  }
  return bytes;
}

namespace {
constexpr std::size_t kChunk = 64 * 1024;
constexpr const char* kSendingKey = "kv-test-sending";
}  // namespace

struct DownloadServer::State {
  struct Sending {
    State* state = nullptr;
    File file;
    std::size_t sent = 0;
    bool held = false;
  };

  SoupServer* server = nullptr;
  unsigned port = 0;
  std::map<std::string, File> files;
  std::set<SoupServerMessage*> held;

  static void handle(SoupServer* /*server*/, SoupServerMessage* message, const char* path,
                     GHashTable* /*query*/, gpointer data) {
    auto* state = static_cast<State*>(data);
    const auto found = state->files.find(path);
    if (found == state->files.end()) {
      soup_server_message_set_status(message, SOUP_STATUS_NOT_FOUND, nullptr);
      return;
    }
    const File& file = found->second;
    SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
    if (file.announce_length) {
      soup_message_headers_set_content_length(headers, static_cast<goffset>(file.size));
    } else {
      soup_message_headers_set_encoding(headers, SOUP_ENCODING_CHUNKED);
    }
    if (file.attachment) {
      soup_message_headers_replace(headers, "Content-Type", "application/zip");
      soup_message_headers_replace(headers, "Content-Disposition",
                                   ("attachment; filename=\"" + file.name + "\"").c_str());
    } else {
      soup_message_headers_replace(headers, "Content-Type", "application/octet-stream");
    }
    soup_server_message_set_status(message, SOUP_STATUS_OK, nullptr);
    soup_message_body_set_accumulate(soup_server_message_get_response_body(message), FALSE);
    auto* sending = new Sending{state, file};
    // Goes with the message; a held one is forgotten then.
    g_object_set_data_full(G_OBJECT(message), kSendingKey, sending, [](gpointer data) {
      auto* gone = static_cast<Sending*>(data);
      delete gone;
    });
    g_signal_connect(message, "wrote-headers", G_CALLBACK(&State::send_next), sending);
    g_signal_connect(message, "wrote-chunk", G_CALLBACK(&State::send_next), sending);
    g_signal_connect(message, "finished", G_CALLBACK(&State::forget), state);
    g_signal_connect(message, "disconnected", G_CALLBACK(&State::forget), state);
  }

  static void forget(SoupServerMessage* message, gpointer data) {
    static_cast<State*>(data)->held.erase(message);
  }

  static void send_next(SoupServerMessage* message, gpointer data) {
    auto* sending = static_cast<Sending*>(data);
    const File& file = sending->file;
    if (file.cut_at && sending->sent >= *file.cut_at) {
      sending->state->held.erase(message);
      GIOStream* stream = soup_server_message_steal_connection(message);
      g_io_stream_close(stream, nullptr, nullptr);
      g_object_unref(stream);
      return;
    }
    if (file.hold_at && !sending->held && sending->sent >= *file.hold_at) {
      sending->held = true;
      sending->state->held.insert(message);
      return;  // the message waits, paused, for release()
    }
    SoupMessageBody* body = soup_server_message_get_response_body(message);
    if (sending->sent >= file.size) {
      soup_message_body_complete(body);
    } else {
      std::size_t length = std::min(kChunk, file.size - sending->sent);
      for (auto mark : {file.cut_at, file.hold_at}) {
        if (mark && *mark > sending->sent) length = std::min(length, *mark - sending->sent);
      }
      const std::string bytes = download_bytes(sending->sent, length);
      soup_message_body_append(body, SOUP_MEMORY_COPY, bytes.data(), bytes.size());
      sending->sent += length;
    }
    soup_server_message_unpause(message);
  }
};

DownloadServer::DownloadServer() : state_(std::make_unique<State>()) {
  state_->server = soup_server_new(nullptr, nullptr);
  soup_server_add_handler(state_->server, nullptr, &State::handle, state_.get(), nullptr);
  GError* error = nullptr;
  if (soup_server_listen_local(state_->server, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, &error) == FALSE) {
    const std::string reason = error != nullptr ? error->message : "unknown";
    g_clear_error(&error);
    g_object_unref(state_->server);
    throw std::runtime_error("download server: " + reason);
  }
  GSList* uris = soup_server_get_uris(state_->server);
  state_->port = static_cast<unsigned>(g_uri_get_port(static_cast<GUri*>(uris->data)));
  g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
}

DownloadServer::~DownloadServer() {
  for (SoupServerMessage* message : state_->held) {
    g_signal_handlers_disconnect_by_data(message, state_.get());
  }
  soup_server_disconnect(state_->server);
  g_object_unref(state_->server);
}

void DownloadServer::add_file(const std::string& path, File file) {
  state_->files[path] = std::move(file);
}

void DownloadServer::release() {
  const std::set<SoupServerMessage*> waiting = std::exchange(state_->held, {});
  for (SoupServerMessage* message : waiting) {
    auto* sending = static_cast<State::Sending*>(g_object_get_data(G_OBJECT(message), kSendingKey));
    sending->file.hold_at.reset();
    State::send_next(message, sending);
  }
}

std::size_t DownloadServer::held() const {
  return state_->held.size();
}

std::string DownloadServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(state_->port) + path;
}

}  // namespace kv::test
