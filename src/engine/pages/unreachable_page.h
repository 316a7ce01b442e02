#pragma once

#include <webkit2/webkit2.h>

#include <string>

#include "engine/pages/notice_scheme.h"

namespace kv {

// Why a page could not be loaded, as far as the engine's error tells.
enum class LoadFailure {
  kNoSuchHost,
  kRefused,
  kTimedOut,
  kConnectionLost,
  kNetworkDown,
  kBadAddress,
  kNoSuchFile,
  kNotSecure,
  kOther,
};

// Whether a failed load of the main frame deserves a notice: not a load that was stopped
// or replaced, nor one that became a download or that a policy decision ignored.
bool failure_deserves_notice(const GError* error);

// The failure's kind, from the error's domain and code (never from its text).
LoadFailure classify_load_failure(const GError* error);

// The reason in a sentence; `host` may be empty.
std::string load_failure_text(LoadFailure failure, const std::string& host);

// Whether the failure may go away by itself once the network is back.
bool is_network_failure(LoadFailure failure);

// The notice for the page at `address` on `host` that failed for `failure`; `raw` is the
// engine's own text, shown in small type. Its "Try again" link loads the address again.
Notice unreachable_notice(const std::string& address, const std::string& host, LoadFailure failure,
                          const std::string& raw);

// From now on a page of `view` that cannot be loaded shows the notice in place of the
// engine's bare error; one that failed for a network reason is loaded again, once, when
// `monitor` says the network is available again.
void show_unreachable_pages(WebKitWebView* view, GNetworkMonitor* monitor);

}  // namespace kv
