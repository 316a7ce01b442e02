#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>

typedef struct _GTlsCertificate GTlsCertificate;

namespace kv::test {

// An HTTP server on 127.0.0.1 at a free port, serving pages registered by path. It runs
// on the main loop, so it answers while a test spins the loop (run_until).
class LocalServer {
 public:
  LocalServer();
  // Serves HTTPS with `certificate` (the server takes a reference of its own), or HTTP
  // when it is null; on `port` when it is not 0.
  explicit LocalServer(GTlsCertificate* certificate, unsigned port = 0);
  ~LocalServer();
  LocalServer(const LocalServer&) = delete;
  LocalServer& operator=(const LocalServer&) = delete;
  LocalServer(LocalServer&&) = delete;
  LocalServer& operator=(LocalServer&&) = delete;

  // Serves `body` at `path` (for example "/page.html"); with a delay the answer is held
  // back that long without blocking the loop. Other paths answer 404.
  void add_page(const std::string& path, std::string body,
                std::string content_type = "text/html; charset=utf-8",
                std::chrono::milliseconds delay = std::chrono::milliseconds(0));

  // Sends a header with the answer for `path` (added before).
  void add_header(const std::string& path, std::string name, std::string value);

  // "http://127.0.0.1:<port><path>", or https for a server with a certificate
  [[nodiscard]] std::string url(const std::string& path) const;
  [[nodiscard]] unsigned port() const;
  // How many requests arrived for `path` (registered or not); "POST <path>" counts those
  // of that method alone.
  [[nodiscard]] int requests(const std::string& path) const;
  // The body of the last such request ("POST /path"); "" when none came.
  [[nodiscard]] std::string last_body(const std::string& path) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kv::test
