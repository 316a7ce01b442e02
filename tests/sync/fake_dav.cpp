#include "fake_dav.h"

#include <algorithm>
#include <optional>

namespace kv::test {
namespace {

std::string folder_of(const std::string& url) {
  return url.substr(0, url.rfind('/') + 1);
}

}  // namespace

std::optional<DavResponse> FakeDav::failing(const std::string& method, const std::string& url) {
  requests.push_back(method + " " + url);
  if (fail_with == 0) return std::nullopt;
  DavResponse response;
  if (fail_with < 0) {
    response.failure = DavResponse::Failure::kNetwork;
  } else {
    response.status = fail_with;
  }
  return response;
}

std::string FakeDav::etag_of(const std::string& url) const {
  const auto found = files.find(url);
  if (found == files.end()) return "";
  const std::string value = "\"" + std::to_string(found->second.version) + "\"";
  return found->second.settled ? value : "W/" + value;
}

DavResponse FakeDav::get(const std::string& url) {
  if (auto failed = failing("GET", url)) return *failed;
  DavResponse response;
  const auto found = files.find(url);
  if (found == files.end()) {
    response.status = 404;
    return response;
  }
  response.status = 200;
  response.body = found->second.body;
  response.etag = etag_of(url);
  response.last_modified = found->second.last_modified;
  return response;
}

DavResponse FakeDav::put(const std::string& url, std::string_view body, const std::string& if_match,
                         bool only_new) {
  if (before_put && !url.ends_with(".lock")) before_put();
  if (auto failed = failing("PUT", url)) return *failed;
  DavResponse response;
  const bool exists = files.count(url) != 0;
  if (std::find(folders.begin(), folders.end(), folder_of(url)) == folders.end()) {
    response.status = 409;
  } else if ((only_new && exists) ||
             (!if_match.empty() && (!exists || weak_etag(if_match) || if_match != etag_of(url)))) {
    // A weak ETag never matches If-Match.
    response.status = 412;
  } else {
    write(url, std::string(body), false);
    response.status = exists ? 204 : 201;
  }
  return response;
}

DavResponse FakeDav::etag(const std::string& url) {
  if (auto failed = failing("PROPFIND", url)) return *failed;
  DavResponse response;
  response.status = files.count(url) != 0 ? 207 : 404;
  response.etag = etag_of(url);
  return response;
}

DavResponse FakeDav::make_folder(const std::string& url) {
  if (auto failed = failing("MKCOL", url)) return *failed;
  DavResponse response;
  folders.push_back(url);
  response.status = 201;
  return response;
}

DavResponse FakeDav::remove(const std::string& url) {
  if (auto failed = failing("DELETE", url)) return *failed;
  DavResponse response;
  response.status = files.erase(url) != 0 ? 204 : 404;
  return response;
}

void FakeDav::pause(std::chrono::milliseconds) {
  ++pauses;
  settle();
}

void FakeDav::settle() {
  for (auto& [url, file] : files) file.settled = !always_weak;
}

void FakeDav::write(const std::string& url, const std::string& body, bool settled) {
  File& file = files[url];
  file.body = body;
  file.version = ++next_version_;
  file.settled = settled && !always_weak;
}

}  // namespace kv::test
