#pragma once

#include <string>

#include "bookmarks/bookmark_tree.h"

namespace kv {

// Reads the bookmarks of a Firefox profile's places.sqlite at `path`. The database is
// opened read-only as immutable, so a running Firefox's lock neither stops the read nor
// is touched; what Firefox has not yet moved from its write-ahead log is not seen. The
// menu, toolbar, other and mobile folders come in under their names; tags do not.
BookmarkRead read_firefox_places(const std::string& path);

}  // namespace kv
