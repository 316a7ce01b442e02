#pragma once

#include <webkit2/webkit2.h>

#include <string>

namespace kv {

// The two helper programs of the engine's sandbox, where the engine starts them from.
struct SandboxTools {
  std::string bubblewrap = "/usr/bin/bwrap";
  std::string dbus_proxy = "/usr/bin/xdg-dbus-proxy";
};

// Why web content cannot be confined on this machine, or "" when it can: both helpers
// are installed and bubblewrap may make the namespaces it needs. The engine ends the
// whole program when it fails to start a confined web process, so this is asked first.
std::string sandbox_unavailable_reason(const SandboxTools& tools = {});

// Runs the web content processes of `context` inside the engine's bubblewrap sandbox: a
// page's process sees the system's libraries and fonts and its own cache, not the user's
// files. Where the sandbox cannot run, pages run unconfined, and the program says so once
// on its error output. Takes effect only before the context starts its first web process.
void confine_web_content(WebKitWebContext* context, const SandboxTools& tools = {});

}  // namespace kv
