#include "engine/pages/certificate_page.h"

#include <glibmm/datetime.h>

#include <memory>
#include <utility>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

std::string text_property(GTlsCertificate* certificate, const char* name) {
  gchar* value = nullptr;
  g_object_get(certificate, name, &value, nullptr);
  return take_string(value);
}

std::string date_property(GTlsCertificate* certificate, const char* name) {
  GDateTime* value = nullptr;
  g_object_get(certificate, name, &value, nullptr);
  if (value == nullptr) return "";
  return Glib::wrap(value).format("%x");  // the wrapper owns the date
}

// Who the certificate names and how long it holds, for those who want to look closer.
std::vector<std::string> certificate_details(GTlsCertificate* certificate) {
  std::vector<std::string> details;
  if (certificate == nullptr) return details;
  const std::string subject = text_property(certificate, "subject-name");
  const std::string issuer = text_property(certificate, "issuer-name");
  const std::string from = date_property(certificate, "not-valid-before");
  const std::string until = date_property(certificate, "not-valid-after");
  if (!subject.empty()) details.push_back("Issued to: " + subject);
  if (!issuer.empty()) details.push_back("Issued by: " + issuer);
  if (!from.empty() && !until.empty()) details.push_back("Valid from " + from + " to " + until);
  return details;
}

std::string host_of(const char* address) {
  const OwnedUri uri(g_uri_parse(address, G_URI_FLAGS_NONE, nullptr));
  if (!uri) return "";
  const char* host = g_uri_get_host(uri.get());
  return host != nullptr ? host : "";
}

gboolean on_tls_errors(WebKitWebView* view, gchar* failing_uri, GTlsCertificate* certificate,
                       GTlsCertificateFlags errors, gpointer /*data*/) {
  const std::string host = host_of(failing_uri);
  // Without a host or a certificate there is nothing to trust: the engine's error stays.
  if (host.empty() || certificate == nullptr) return FALSE;
  // The notice comes after the page shown now, so Back leads to that page.
  const bool showed_a_page = webkit_back_forward_list_get_current_item(
                                 webkit_web_view_get_back_forward_list(view)) != nullptr;
  show_notice(view, failing_uri,
              certificate_notice(failing_uri, host, certificate, errors, showed_a_page));
  return TRUE;
}

}  // namespace

std::vector<std::string> certificate_problems(GTlsCertificateFlags errors) {
  static const std::pair<GTlsCertificateFlags, const char*> kWords[] = {
      {G_TLS_CERTIFICATE_UNKNOWN_CA,
       "It was not issued by an authority that this computer trusts; it may have been made "
       "by the website itself."},
      {G_TLS_CERTIFICATE_BAD_IDENTITY, "It was issued for a different website's address."},
      {G_TLS_CERTIFICATE_NOT_ACTIVATED, "It is not valid yet."},
      {G_TLS_CERTIFICATE_EXPIRED, "It has expired."},
      {G_TLS_CERTIFICATE_REVOKED, "It has been revoked by its issuer."},
      {G_TLS_CERTIFICATE_INSECURE, "It relies on an algorithm that is no longer secure."},
      {G_TLS_CERTIFICATE_GENERIC_ERROR, "It could not be checked."},
  };
  std::vector<std::string> problems;
  for (const auto& [flag, words] : kWords) {
    if ((errors & flag) != 0) problems.emplace_back(words);
  }
  if (problems.empty()) problems.emplace_back("It could not be verified.");
  return problems;
}

Notice certificate_notice(const std::string& address, const std::string& host,
                          GTlsCertificate* certificate, GTlsCertificateFlags errors,
                          bool can_go_back) {
  Notice notice;
  notice.kind = "certificate";
  notice.title = "Certificate error: " + host;
  notice.heading = "There is a problem with the security certificate of " + host;
  notice.paragraphs.push_back("Kestrivane did not open " + address +
                              " because the certificate that the website sent cannot be "
                              "trusted:");
  notice.points = certificate_problems(errors);
  for (std::string& detail : certificate_details(certificate)) {
    notice.paragraphs.push_back(std::move(detail));
  }
  notice.paragraphs.emplace_back(
      "Someone may be pretending to be this website to read what you send to it. Go on only "
      "if you know why the certificate is not trusted.");
  if (can_go_back) {
    notice.links.push_back({"Go back", [](WebKitWebView* view) { webkit_web_view_go_back(view); }});
  }
  if (certificate == nullptr) return notice;
  // The link holds its own reference, for as long as the notice can be clicked.
  const std::shared_ptr<GTlsCertificate> kept = ref_object(certificate);
  notice.links.push_back({"Continue to this website (not recommended)",
                          [kept, host, address](WebKitWebView* view) {
                            // Trusted in memory only: the next run asks again.
                            webkit_web_context_allow_tls_certificate_for_host(
                                webkit_web_view_get_context(view), kept.get(), host.c_str());
                            webkit_web_view_load_uri(view, address.c_str());
                          },
                          true});
  return notice;
}

void offer_certificate_exceptions(WebKitWebView* view) {
  g_signal_connect(view, "load-failed-with-tls-errors", G_CALLBACK(on_tls_errors), nullptr);
}

}  // namespace kv
