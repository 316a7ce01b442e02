#include "support/local_server.h"

#include <libsoup/soup.h>

#include <list>
#include <stdexcept>
#include <utility>
#include <vector>

namespace kv::test {

namespace {

struct Page {
  std::string body;
  std::string content_type;
  std::chrono::milliseconds delay{0};
  std::vector<std::pair<std::string, std::string>> headers;
};

void respond(SoupServerMessage* message, const Page& page) {
  SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
  for (const auto& [name, value] : page.headers) {
    soup_message_headers_replace(headers, name.c_str(), value.c_str());
  }
  soup_server_message_set_status(message, SOUP_STATUS_OK, nullptr);
  soup_server_message_set_response(message, page.content_type.c_str(), SOUP_MEMORY_COPY,
                                   page.body.data(), page.body.size());
}

}  // namespace

struct LocalServer::State {
  // An answer held back by a page's delay.
  struct Held {
    State* state = nullptr;
    SoupServerMessage* message = nullptr;
    Page page;
    guint timer = 0;
    gulong disconnected = 0;
  };

  SoupServer* server = nullptr;
  std::string scheme;
  unsigned port = 0;
  std::map<std::string, Page> pages;
  std::map<std::string, int> counts;
  std::map<std::string, std::string> bodies;
  std::list<Held> held;

  static void handle(SoupServer* /*server*/, SoupServerMessage* message, const char* path,
                     GHashTable* /*query*/, gpointer data) {
    auto* state = static_cast<State*>(data);
    ++state->counts[path];
    const std::string method = soup_server_message_get_method(message);
    if (method != "GET") ++state->counts[method + " " + path];
    SoupMessageBody* body = soup_server_message_get_request_body(message);
    if (body != nullptr && body->data != nullptr) {
      state->bodies[method + " " + path] = std::string(body->data, body->length);
    }
    const auto page = state->pages.find(path);
    if (page == state->pages.end()) {
      soup_server_message_set_status(message, SOUP_STATUS_NOT_FOUND, nullptr);
      return;
    }
    if (page->second.delay.count() <= 0) {
      respond(message, page->second);
      return;
    }
    soup_server_message_pause(message);
    Held& entry = state->held.emplace_back();
    entry.state = state;
    entry.message = SOUP_SERVER_MESSAGE(g_object_ref(message));
    entry.page = page->second;
    entry.timer =
        g_timeout_add(static_cast<guint>(page->second.delay.count()), &State::release, &entry);
    entry.disconnected =
        g_signal_connect(message, "disconnected", G_CALLBACK(&State::dropped), &entry);
  }

  static gboolean release(gpointer data) {
    auto* entry = static_cast<Held*>(data);
    entry->timer = 0;
    respond(entry->message, entry->page);
    soup_server_message_unpause(entry->message);
    entry->state->forget(entry);
    return G_SOURCE_REMOVE;
  }

  // The client went away before the answer was due.
  static void dropped(SoupServerMessage* /*message*/, gpointer data) {
    auto* entry = static_cast<Held*>(data);
    entry->state->forget(entry);
  }

  void forget(Held* entry) {
    if (entry->timer != 0) g_source_remove(entry->timer);
    g_signal_handler_disconnect(entry->message, entry->disconnected);
    g_object_unref(entry->message);
    held.remove_if([entry](const Held& h) { return &h == entry; });
  }
};

LocalServer::LocalServer() : LocalServer(nullptr) {}

LocalServer::LocalServer(GTlsCertificate* certificate, unsigned port)
    : state_(std::make_unique<State>()) {
  state_->server = certificate != nullptr ? soup_server_new("tls-certificate", certificate, nullptr)
                                          : soup_server_new(nullptr, nullptr);
  state_->scheme = certificate != nullptr ? "https" : "http";
  soup_server_add_handler(state_->server, nullptr, &State::handle, state_.get(), nullptr);
  GError* error = nullptr;
  const auto https = certificate != nullptr ? SOUP_SERVER_LISTEN_HTTPS : SoupServerListenOptions{};
  if (soup_server_listen_local(
          state_->server, port,
          static_cast<SoupServerListenOptions>(SOUP_SERVER_LISTEN_IPV4_ONLY | https),
          &error) == FALSE) {
    const std::string reason = error != nullptr ? error->message : "unknown";
    g_clear_error(&error);
    g_object_unref(state_->server);
    throw std::runtime_error("local server: " + reason);
  }
  GSList* uris = soup_server_get_uris(state_->server);
  state_->port = static_cast<unsigned>(g_uri_get_port(static_cast<GUri*>(uris->data)));
  g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
}

LocalServer::~LocalServer() {
  while (!state_->held.empty()) state_->forget(&state_->held.front());
  soup_server_disconnect(state_->server);
  g_object_unref(state_->server);
}

void LocalServer::add_page(const std::string& path, std::string body, std::string content_type,
                           std::chrono::milliseconds delay) {
  state_->pages[path] = Page{std::move(body), std::move(content_type), delay, {}};
}

void LocalServer::add_header(const std::string& path, std::string name, std::string value) {
  state_->pages.at(path).headers.emplace_back(std::move(name), std::move(value));
}

std::string LocalServer::url(const std::string& path) const {
  return state_->scheme + "://127.0.0.1:" + std::to_string(state_->port) + path;
}

unsigned LocalServer::port() const {
  return state_->port;
}

int LocalServer::requests(const std::string& path) const {
  const auto found = state_->counts.find(path);
  return found != state_->counts.end() ? found->second : 0;
}

std::string LocalServer::last_body(const std::string& path) const {
  const auto found = state_->bodies.find(path);
  return found != state_->bodies.end() ? found->second : "";
}

}  // namespace kv::test
