#pragma once

#include "sync/local_favorites.h"

namespace kv {

// Makes this machine's favourites what `wanted` (a backup) held: links and folders that
// it did not hold go, those it held come back (by their path), addresses are put back,
// and the list is written as it was. Returns whether every change was made.
bool restore_favorites(LocalFavorites& favorites, const LocalRead& wanted);

}  // namespace kv
