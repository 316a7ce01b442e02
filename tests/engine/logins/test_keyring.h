#pragma once

// A keyring of the test's own on its own session bus: gnome-keyring-daemon with only its
// Secret Service, unlocked, in a fresh home folder; ended with the object.
#include <gio/gio.h>

#include <string>

#include "desktop/glib_handles.h"
#include "support/run_until.h"
#include "support/temp_dir.h"

namespace kv::test {

class TestKeyring {
 public:
  TestKeyring() {
    ObjectRef<GSubprocessLauncher> launcher(g_subprocess_launcher_new(static_cast<GSubprocessFlags>(
        G_SUBPROCESS_FLAGS_STDIN_PIPE | G_SUBPROCESS_FLAGS_STDOUT_SILENCE)));
    g_subprocess_launcher_setenv(launcher.get(), "HOME", home_.path().c_str(), TRUE);
    g_subprocess_launcher_setenv(launcher.get(), "XDG_DATA_HOME", home_.file("data").c_str(), TRUE);
    const std::string runtime = home_.file("run");
    g_mkdir_with_parents(runtime.c_str(), 0700);
    g_subprocess_launcher_setenv(launcher.get(), "XDG_RUNTIME_DIR", runtime.c_str(), TRUE);
    const char* argv[] = {"gnome-keyring-daemon", "--foreground", "--unlock",
                          "--components=secrets", nullptr};
    daemon_.reset(g_subprocess_launcher_spawnv(launcher.get(), argv, nullptr));
    if (!daemon_) return;
    // --unlock reads the new keyring's password from its input.
    GOutputStream* input = g_subprocess_get_stdin_pipe(daemon_.get());
    g_output_stream_write_all(input, "test", 4, nullptr, nullptr, nullptr);
    g_output_stream_close(input, nullptr, nullptr);
    ObjectRef<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
    ready_ =
        bus && run_until([&] {
          OwnedVariant owner(g_dbus_connection_call_sync(
              bus.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
              "NameHasOwner", g_variant_new("(s)", "org.freedesktop.secrets"),
              G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr));
          gboolean has = FALSE;
          if (owner) g_variant_get(owner.get(), "(b)", &has);
          return has != FALSE;
        });
  }
  ~TestKeyring() {
    if (daemon_) g_subprocess_force_exit(daemon_.get());
  }
  TestKeyring(const TestKeyring&) = delete;
  TestKeyring& operator=(const TestKeyring&) = delete;

  [[nodiscard]] bool ready() const { return ready_; }

 private:
  TempDir home_;
  ObjectRef<GSubprocess> daemon_;
  bool ready_ = false;
};

}  // namespace kv::test
