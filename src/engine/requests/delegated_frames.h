#pragma once

#include <webkit2/webkit2.h>

#include <functional>
#include <optional>
#include <string>

#include "engine/profile/site_permissions.h"

namespace kv {

// The engine does not say which frame of a page asked for something. Only the page
// itself, or a frame of another site to which the page handed `permission` (the
// frame's `allow` attribute), can ask. Calls `done` with the origin of that frame,
// with "" when the page handed `permission` to no frame of another site, or with
// nothing when frames of several sites, or of one that cannot be named, could have
// asked. `done` may never be called for a page too busy to answer.
void find_delegated_frame(WebKitWebView* view, SitePermission permission,
                          std::function<void(std::optional<std::string>)> done);

}  // namespace kv
