#pragma once

#include <gio/gio.h>

#include <string>

#include "support/temp_dir.h"

namespace kv::test {

// A self-signed certificate and its key, made with openssl for `name` (an IP address or
// a host name), valid for a day.
class TestCertificate {
 public:
  explicit TestCertificate(const std::string& name);
  ~TestCertificate();
  TestCertificate(const TestCertificate&) = delete;
  TestCertificate& operator=(const TestCertificate&) = delete;
  TestCertificate(TestCertificate&&) = delete;
  TestCertificate& operator=(TestCertificate&&) = delete;

  [[nodiscard]] GTlsCertificate* get() const { return certificate_; }
  // The certificate and its key as PEM files, for a server of another program.
  [[nodiscard]] std::string certificate_file() const { return dir_.file("cert.pem"); }
  [[nodiscard]] std::string key_file() const { return dir_.file("key.pem"); }

 private:
  TempDir dir_;
  GTlsCertificate* certificate_ = nullptr;
};

}  // namespace kv::test
