#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace kv::test {

// The bytes of every file the download server sends, from `offset` on: a pattern whose
// period fits no chunk size, so that a lost, doubled or misplaced chunk shows.
std::string download_bytes(std::size_t offset, std::size_t length);

// An HTTP server on 127.0.0.1 that sends attachments in chunks, as large downloads
// come: with or without their length, cut off midway, or held midway until released.
class DownloadServer {
 public:
  struct File {
    std::size_t size = 0;
    bool announce_length = true;         // Content-Length, or chunked without a total
    std::optional<std::size_t> cut_at;   // the connection is closed after these bytes
    std::optional<std::size_t> hold_at;  // sending waits here until release()
    std::string name = "report.zip";     // the attachment's file name
    bool attachment = true;              // or a bare application/octet-stream, unnamed
  };

  DownloadServer();
  ~DownloadServer();
  DownloadServer(const DownloadServer&) = delete;
  DownloadServer& operator=(const DownloadServer&) = delete;
  DownloadServer(DownloadServer&&) = delete;
  DownloadServer& operator=(DownloadServer&&) = delete;

  void add_file(const std::string& path, File file);
  // Answers waiting at their hold mark send the rest.
  void release();
  // How many answers wait at their hold mark.
  [[nodiscard]] std::size_t held() const;
  // "http://127.0.0.1:<port><path>"
  [[nodiscard]] std::string url(const std::string& path) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kv::test
