#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kv {

// A saved sign-in, without its password: the page's origin ("https://example.org",
// "http://127.0.0.1:8080"), the origin its form posted to, and the user name.
struct SavedLogin {
  std::string origin;
  std::string action_origin;
  std::string user;

  bool operator==(const SavedLogin&) const = default;
};

// Where passwords are kept: the desktop's keyring, and nowhere else. Every call is
// asynchronous and ends within a bounded time; `done` runs once on the main loop, also
// after a failure. "Unavailable" (no keyring on the bus, a locked keyring that was not
// unlocked, a time-out) is an empty optional or false.
class LoginStore {
 public:
  virtual ~LoginStore() = default;

  // Keeps `password` for the login, replacing the one kept for its origin and user.
  virtual void save(const SavedLogin& login, const std::string& password,
                    std::function<void(bool saved)> done) = 0;
  // The logins kept for exactly `origin` (scheme, host and port), or all of them for "".
  virtual void find(const std::string& origin,
                    std::function<void(std::optional<std::vector<SavedLogin>>)> done) = 0;
  // The password kept for the login's origin and user.
  virtual void password(const SavedLogin& login,
                        std::function<void(std::optional<std::string>)> done) = 0;
  // Forgets the login's origin and user; with an empty origin, every login of ours.
  virtual void remove(const SavedLogin& login, std::function<void(bool removed)> done) = 0;
};

// The desktop's Secret Service, through libsecret.
LoginStore& desktop_login_store();
// The same, for the favourites sync server's password: kept apart from the pages' logins,
// so that no page is offered it and saving either never drops the other.
LoginStore& sync_login_store();

// "scheme://host[:port]" split up, the port always given; false for anything else.
struct OriginParts {
  std::string scheme, host;
  int port = 0;
};
std::optional<OriginParts> origin_parts(const std::string& origin);

// Overwrites a password held in memory before it is freed.
void wipe(std::string& secret);

}  // namespace kv
