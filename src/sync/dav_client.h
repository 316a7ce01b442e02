#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace kv {

// One WebDAV request's answer.
struct DavResponse {
  enum class Failure {
    kNone,         // the server answered: see status
    kNetwork,      // no answer (refused, cut off, a name that does not resolve)
    kCertificate,  // the server's certificate did not verify: never passed over
    kTimeout,
    kCancelled,
    kTooLarge,  // an answer larger than a bookmarks file may be
  };
  Failure failure = Failure::kNone;
  int status = 0;
  std::string etag;  // as sent, W/ and quotes included; "" without one
  std::string last_modified;
  std::string body;
  std::string message;  // what went wrong, in the library's words

  [[nodiscard]] bool answered() const { return failure == Failure::kNone; }
  [[nodiscard]] bool ok() const { return answered() && status >= 200 && status < 300; }
};

// The requests sync makes of a WebDAV server, on the sync's own thread.
class DavClient {
 public:
  DavClient() = default;
  DavClient(const DavClient&) = delete;
  DavClient& operator=(const DavClient&) = delete;
  DavClient(DavClient&&) = delete;
  DavClient& operator=(DavClient&&) = delete;
  virtual ~DavClient() = default;

  virtual DavResponse get(const std::string& url) = 0;
  // With If-Match on `if_match` when it is given, and If-None-Match: * with `only_new`.
  virtual DavResponse put(const std::string& url, std::string_view body,
                          const std::string& if_match, bool only_new) = 0;
  // The resource's ETag (PROPFIND, Depth 0, getetag), in `etag`.
  virtual DavResponse etag(const std::string& url) = 0;
  virtual DavResponse make_folder(const std::string& url) = 0;
  virtual DavResponse remove(const std::string& url) = 0;
  // Waits, unless the sync is cancelled meanwhile.
  virtual void pause(std::chrono::milliseconds time) = 0;
};

// Whether an ETag is weak (W/"..."), and its quoted value without the W/.
bool weak_etag(std::string_view etag);
std::string_view etag_value(std::string_view etag);

}  // namespace kv
