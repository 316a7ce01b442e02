// Test runner for every test binary: a private home for the engine's and the program's
// data, GTK on the test display, then GoogleTest.
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
