#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sync/dav_client.h"

namespace kv::test {

// A WebDAV server in memory that keeps its preconditions as a real one does: If-Match
// and If-None-Match, 409 for a file in a folder that is not there, and, like Apache, a
// weak ETag until a second has passed after a write (here: until the next pause).
class FakeDav : public DavClient {
 public:
  struct File {
    std::string body;
    int version = 0;
    bool settled = true;
    std::string last_modified;
  };

  DavResponse get(const std::string& url) override;
  DavResponse put(const std::string& url, std::string_view body, const std::string& if_match,
                  bool only_new) override;
  DavResponse etag(const std::string& url) override;
  DavResponse make_folder(const std::string& url) override;
  DavResponse remove(const std::string& url) override;
  void pause(std::chrono::milliseconds time) override;

  // Time passes: every ETag is strong again.
  void settle();
  // Another client's write, as it lands on the server.
  void write(const std::string& url, const std::string& body, bool settled = true);
  [[nodiscard]] std::string etag_of(const std::string& url) const;

  std::map<std::string, File> files;
  std::vector<std::string> folders{"https://dav.test/"};
  std::vector<std::string> requests;  // "GET url", in order
  int pauses = 0;
  // Answers every request with this status, or as unreachable with -1, while set.
  int fail_with = 0;
  // Runs before each PUT of the bookmarks file is handled, as another client might.
  std::function<void()> before_put;
  // Writes leave a weak ETag for good, as some servers do.
  bool always_weak = false;

 private:
  std::optional<DavResponse> failing(const std::string& method, const std::string& url);
  int next_version_ = 0;
};

}  // namespace kv::test
