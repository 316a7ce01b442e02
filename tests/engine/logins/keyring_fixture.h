#pragma once

// The keyring that the tests of one run share, and what they keep in it and read back.
#include <optional>
#include <string>
#include <vector>

#include "desktop/login_store.h"
#include "login_fixture.h"
#include "support/run_until.h"
#include "test_keyring.h"

namespace kv {

// One keyring for the whole run: the program's connection to the service outlives a test.
inline test::TestKeyring& keyring() {
  static auto* const running = new test::TestKeyring;  // NOLINT: ends with the test's bus
  return *running;
}

inline std::optional<std::vector<SavedLogin>> kept_for(const std::string& origin) {
  std::optional<std::vector<SavedLogin>> found;
  bool done = false;
  desktop_login_store().find(origin, [&](std::optional<std::vector<SavedLogin>> logins) {
    found = std::move(logins);
    done = true;
  });
  test::run_until([&] { return done; });
  return found;
}

inline bool keep(const SavedLogin& login) {
  std::optional<bool> saved;
  desktop_login_store().save(login, kPassword, [&](bool ok) { saved = ok; });
  test::run_until([&] { return saved.has_value(); });
  return saved.value_or(false);
}

}  // namespace kv
