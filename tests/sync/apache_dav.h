#pragma once

#include <gio/gio.h>

#include <memory>
#include <string>

#include "desktop/glib_handles.h"
#include "support/temp_dir.h"
#include "support/test_certificate.h"

namespace kv::test {

// Apache httpd with mod_dav and mod_dav_fs on 127.0.0.1 and a free port, with a
// configuration, password file, lock database and logs of its own in a temporary folder,
// and Basic authentication for one user. Run as root, its workers are www-data's; run as
// a user, everything is the user's. With a certificate it speaks https only.
class ApacheDav {
 public:
  static constexpr const char* kUser = "ann";
  static constexpr const char* kPassword = "s3cret pass";

  explicit ApacheDav(bool https = false);
  ~ApacheDav();
  ApacheDav(const ApacheDav&) = delete;
  ApacheDav& operator=(const ApacheDav&) = delete;
  ApacheDav(ApacheDav&&) = delete;
  ApacheDav& operator=(ApacheDav&&) = delete;

  // Whether it answers; the reason in why() when not.
  [[nodiscard]] bool running() const { return running_; }
  [[nodiscard]] const std::string& why() const { return why_; }

  // "http://127.0.0.1:PORT/"
  [[nodiscard]] std::string address() const;
  // The server's own file for `name` under its root.
  [[nodiscard]] std::string file(const std::string& name) const;
  // Every file under its root goes.
  void clear();

  // Kills it at once, as a machine that goes down.
  void kill();
  // Starts it again on the same port.
  bool restart();

 private:
  bool start();
  void write_config();

  bool https_;
  TempDir dir_;
  std::unique_ptr<TestCertificate> certificate_;
  int port_ = 0;
  ObjectRef<GSubprocess> process_;
  bool running_ = false;
  std::string why_;
};

}  // namespace kv::test
