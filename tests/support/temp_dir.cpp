#include "support/temp_dir.h"

#include <glib.h>

#include <filesystem>
#include <stdexcept>

namespace kv::test {

TempDir::TempDir() {
  GError* error = nullptr;
  gchar* made = g_dir_make_tmp("kestrivane-test-XXXXXX", &error);
  if (made == nullptr) {
    const std::string message = error->message;
    g_error_free(error);
    throw std::runtime_error(message);
  }
  path_ = made;
  g_free(made);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace kv::test
