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

 private:
  TempDir dir_;
  GTlsCertificate* certificate_ = nullptr;
};

}  // namespace kv::test
