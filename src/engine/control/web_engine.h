#pragma once

#include <webkit2/webkit2.h>

#include <memory>

namespace kv {

// The one engine context that every browser control of the program shares (one
// network process, one cookie store, one cache). Made on first use, kept until exit.
WebKitWebContext* shared_web_context();

// The engine context of the private windows: a profile of its own in memory only, with
// its own network process, confined and watched for downloads as the shared one is.
// Every private window of a run holds the same one while any of them lives; once the
// last lets it go, it goes with all it held, and the next private window starts afresh.
std::shared_ptr<WebKitWebContext> private_web_context();

// The engine settings of every browser control, in one object: a change made here
// applies to every window at once. Views opened for a page's request share their
// opener's settings, which is this object too.
WebKitSettings* shared_web_settings();

// Sends the requests of every context, the private windows' too, through `proxy`
// ("http://..."), except those for the hosts in `direct`; a nullptr `proxy` goes back to
// the desktop's own proxy settings.
void use_network_proxy(const char* proxy, const char* const* direct);

}  // namespace kv
