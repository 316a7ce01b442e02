#pragma once

#include <cstdint>

// Item-id list helpers. An address is where an item id (or a whole list) starts in
// memory; nullptr stands for "no address". Sizes are 16-bit signed, as the lists' own
// size fields are, so a list is at most 32767 bytes long.
namespace kv::Module2 {

// The size field of the item id at `address`; 0 for no address.
std::int16_t ItemIdSize(const void* address);

// The item id after the one at `address`: `address` plus its size; nullptr when that
// size is 0 (the terminator) or there is no address.
const void* NextItemId(const void* address);

// The whole list's size in bytes, the 2-byte terminator included. 0 for no address, for
// a list longer than 32767 bytes, and for a list with an item id shorter than its own
// size field (which would otherwise walk backwards or in place for ever).
std::int16_t ItemIdListSize(const void* address);

}  // namespace kv::Module2
