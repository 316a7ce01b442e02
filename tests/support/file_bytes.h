#pragma once

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace kv::test {

inline void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The file's bytes; nothing when it cannot be read.
inline std::optional<std::string> read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file's bytes; "" when it cannot be read.
inline std::string read_file(const std::string& path) {
  return read_bytes(path).value_or("");
}

}  // namespace kv::test
