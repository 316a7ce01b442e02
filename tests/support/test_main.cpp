// Test runner for every test binary: a private home for the engine's and the program's
// data, GTK on the test display, then GoogleTest.
#include <glib.h>
#include <gtest/gtest.h>
#include <gtkmm/main.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "desktop/program_style.h"
#include "support/loopback_engine.h"

namespace {

std::string private_home() {
  return std::filesystem::temp_directory_path() /
         ("kestrivane-tests-" + std::to_string(::getpid()));
}

void use_private_home() {
  const std::string base = private_home();
  for (const char* dir : {"home", "data", "config", "cache", "state"}) {
    std::filesystem::create_directories(base + "/" + dir);
  }
  // Folders the desktop keeps in the home folder (downloads, desktop) stay private too.
  setenv("HOME", (base + "/home").c_str(), 1);
  setenv("XDG_DATA_HOME", (base + "/data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (base + "/config").c_str(), 1);
  setenv("XDG_CACHE_HOME", (base + "/cache").c_str(), 1);
  setenv("XDG_STATE_HOME", (base + "/state").c_str(), 1);
  // Compiling the packaged filter lists takes the better part of a minute; tests of
  // content blocking give it lists of their own.
  std::filesystem::create_directories(base + "/config/kestrivane");
  g_file_set_contents((base + "/config/kestrivane/content-blocking.ini").c_str(),
                      "[Content blocking]\nEnabled=false\n", -1, nullptr);
  // The desktop's buses that the first test binary on this display starts outlive it,
  // and later binaries find them through the display. Their sockets go to the runtime
  // folder, which must outlive every binary too: the engine's sandbox of a later binary
  // binds the accessibility bus's socket and fails on one that is gone.
  if (g_getenv("XDG_RUNTIME_DIR") == nullptr) {
    const std::string runtime = std::filesystem::temp_directory_path() /
                                ("kestrivane-tests-runtime-" + std::to_string(::getuid()));
    g_mkdir_with_parents(runtime.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  use_private_home();
  // No accessibility bus on the test display; ATK objects still exist without it.
  setenv("NO_AT_BRIDGE", "1", 1);
  // Software GL of the engine's processes would keep a shader cache in the private home.
  setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
  ::testing::InitGoogleTest(&argc, argv);
  Gtk::Main kit(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  kv::install_program_style();
  kv::test::keep_engine_on_loopback();
  const int result = RUN_ALL_TESTS();
  std::error_code ignored;
  std::filesystem::remove_all(private_home(), ignored);
  return result;
}
