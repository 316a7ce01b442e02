#include "engine/profile/web_sandbox.h"

#include <glib.h>

#include <cstdio>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

bool is_program(const std::string& path) {
  return g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR) != FALSE &&
         g_file_test(path.c_str(), G_FILE_TEST_IS_EXECUTABLE) != FALSE;
}

// Whether bubblewrap can set up a confinement of the kind the engine asks for. Where user
// namespaces are switched off (some containers, hardened kernels) it cannot.
bool bubblewrap_can_confine(const std::string& bubblewrap) {
  const char* argv[] = {bubblewrap.c_str(),
                        "--ro-bind",
                        "/",
                        "/",
                        "--unshare-pid",
                        "--unshare-ipc",
                        "--unshare-uts",
                        "--unshare-net",
                        "--die-with-parent",
                        "--",
                        "/bin/true",
                        nullptr};
  gint status = -1;
  OwnedError error;
  const gboolean ran = g_spawn_sync(
      nullptr, const_cast<gchar**>(argv), nullptr,
      static_cast<GSpawnFlags>(G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL), nullptr,
      nullptr, nullptr, nullptr, &status, out(error));
  return ran != FALSE && g_spawn_check_wait_status(status, nullptr) != FALSE;
}

}  // namespace

std::string sandbox_unavailable_reason(const SandboxTools& tools) {
  if (!is_program(tools.bubblewrap)) return tools.bubblewrap + " is not installed";
  if (!is_program(tools.dbus_proxy)) return tools.dbus_proxy + " is not installed";
  if (!bubblewrap_can_confine(tools.bubblewrap)) {
    return "bubblewrap may not create namespaces here";
  }
  return "";
}

void confine_web_content(WebKitWebContext* context, const SandboxTools& tools) {
  const std::string reason = sandbox_unavailable_reason(tools);
  if (!reason.empty()) {
    std::fprintf(stderr, "kestrivane: web pages run without the sandbox: %s\n", reason.c_str());
    return;
  }
  // No path is added to the sandbox: typed file addresses are read by the network
  // process, folder pages are served by this one, and printing, preview and saving hand
  // their data to this process, all of which keep the user's own access.
  webkit_web_context_set_sandbox_enabled(context, TRUE);
}

}  // namespace kv
