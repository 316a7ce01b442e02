#include "support/test_certificate.h"

#include <stdexcept>

namespace kv::test {

TestCertificate::TestCertificate(const std::string& name) {
  const std::string cert = dir_.file("cert.pem");
  const std::string key = dir_.file("key.pem");
  const bool is_address = g_hostname_is_ip_address(name.c_str()) != FALSE;
  const std::string alt = std::string("subjectAltName=") + (is_address ? "IP:" : "DNS:") + name;
  const std::string subject = "/CN=" + name;
  const char* argv[] = {"openssl",
                        "req",
                        "-x509",
                        "-newkey",
                        "ec",
                        "-pkeyopt",
                        "ec_paramgen_curve:prime256v1",
                        "-nodes",
                        "-days",
                        "1",
                        "-subj",
                        subject.c_str(),
                        "-addext",
                        alt.c_str(),
                        "-keyout",
                        key.c_str(),
                        "-out",
                        cert.c_str(),
                        nullptr};
  GError* error = nullptr;
  gint status = 0;
  if (g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr,
                   static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL |
                                            G_SPAWN_STDERR_TO_DEV_NULL),
                   nullptr, nullptr, nullptr, nullptr, &status, &error) == FALSE ||
      g_spawn_check_wait_status(status, nullptr) == FALSE) {
    g_clear_error(&error);
    throw std::runtime_error("openssl could not make a certificate");
  }
  certificate_ = g_tls_certificate_new_from_files(cert.c_str(), key.c_str(), &error);
  if (certificate_ == nullptr) {
    const std::string reason = error != nullptr ? error->message : "unknown";
    g_clear_error(&error);
    throw std::runtime_error("certificate: " + reason);
  }
}

TestCertificate::~TestCertificate() {
  g_object_unref(certificate_);
}

}  // namespace kv::test
