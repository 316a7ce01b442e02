#include "favorites/module2.h"

#include <cstring>

namespace kv::Module2 {
namespace {

constexpr std::int32_t kMaxListSize = 32767;

}  // namespace

std::int16_t ItemIdSize(const void* address) {
  if (address == nullptr) return 0;
  // Little-endian whatever the host; the field need not be aligned.
  std::uint8_t field[2];
  std::memcpy(field, address, sizeof field);
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(field[0] | (field[1] << 8)));
}

const void* NextItemId(const void* address) {
  const std::int16_t size = ItemIdSize(address);
  if (size == 0) return nullptr;
  return static_cast<const std::uint8_t*>(address) + size;
}

std::int16_t ItemIdListSize(const void* address) {
  if (address == nullptr) return 0;
  std::int32_t total = 0;
  for (const void* cursor = address; cursor != nullptr; cursor = NextItemId(cursor)) {
    const std::int16_t size = ItemIdSize(cursor);
    if (size != 0 && size < 2) return 0;
    total += size;
    if (total > kMaxListSize) return 0;
  }
  total += 2;
  if (total > kMaxListSize) return 0;
  return static_cast<std::int16_t>(total);
}

}  // namespace kv::Module2
