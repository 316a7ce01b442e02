#pragma once

#include <webkit2/webkit2.h>

namespace kv {

// The one engine context that every browser control of the program shares (one
// network process, one cookie store, one cache). Made on first use, kept until exit.
WebKitWebContext* shared_web_context();

// The engine settings of every browser control, in one object: a change made here
// applies to every window at once. Views opened for a page's request share their
// opener's settings, which is this object too.
WebKitSettings* shared_web_settings();

}  // namespace kv
