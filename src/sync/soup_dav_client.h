#pragma once

#include <gio/gio.h>
#include <libsoup/soup.h>

#include <string>

#include "desktop/glib_handles.h"
#include "sync/dav_client.h"

namespace kv {

// WebDAV over libsoup 3, Basic authentication sent with each request, no redirect
// followed and no certificate that fails to verify accepted. Made and used on one
// thread; `cancellable` ends a request under way.
class SoupDavClient : public DavClient {
 public:
  SoupDavClient(std::string user, std::string password, GCancellable* cancellable);
  ~SoupDavClient() override;
  SoupDavClient(const SoupDavClient&) = delete;
  SoupDavClient& operator=(const SoupDavClient&) = delete;
  SoupDavClient(SoupDavClient&&) = delete;
  SoupDavClient& operator=(SoupDavClient&&) = delete;

  DavResponse get(const std::string& url) override;
  DavResponse put(const std::string& url, std::string_view body, const std::string& if_match,
                  bool only_new) override;
  DavResponse etag(const std::string& url) override;
  DavResponse make_folder(const std::string& url) override;
  DavResponse remove(const std::string& url) override;
  void pause(std::chrono::milliseconds time) override;

  // How long a request may stay without an answer.
  void set_timeout(unsigned seconds);

 private:
  DavResponse send(const char* method, const std::string& url, std::string_view body,
                   const char* type, const std::string& if_match, bool only_new,
                   bool depth_zero = false);

  ObjectRef<SoupSession> session_;
  std::string authorization_;
  ObjectRef<GCancellable> cancellable_;
};

}  // namespace kv
