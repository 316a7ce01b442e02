#pragma once

#include <glib.h>

#include <vector>

namespace kv::test {

// Keeps every core of the machine busy while it lives, with one spinning child process
// per core, so that a test can show that a result holds on a loaded machine too.
class BusyCores {
 public:
  BusyCores();
  ~BusyCores();
  BusyCores(const BusyCores&) = delete;
  BusyCores& operator=(const BusyCores&) = delete;
  BusyCores(BusyCores&&) = delete;
  BusyCores& operator=(BusyCores&&) = delete;

  [[nodiscard]] std::size_t running() const { return children_.size(); }

 private:
  std::vector<GPid> children_;
};

}  // namespace kv::test
