#pragma once

#include <webkit2/webkit2.h>

#include <string>
#include <vector>

#include "engine/pages/notice_scheme.h"

namespace kv {

// The certificate's problems in words, one per flag set; never empty.
std::vector<std::string> certificate_problems(GTlsCertificateFlags errors);

// The notice for a page at `address` on `host` whose certificate has `errors`. Its
// "Continue" link, on a deliberate click only, trusts `certificate` for `host` until the
// program ends and loads the address again. The engine's allowance is that narrow and no
// narrower: it holds on every port of the host and for sub-resources as well.
Notice certificate_notice(const std::string& address, const std::string& host,
                          GTlsCertificate* certificate, GTlsCertificateFlags errors,
                          bool can_go_back);

// From now on a page of `view` refused for its certificate shows the certificate notice
// in place of the engine's bare error.
void offer_certificate_exceptions(WebKitWebView* view);

}  // namespace kv
