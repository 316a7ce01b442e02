#pragma once

#include <functional>
#include <string>

#include "engine/filters/filter_sources.h"

namespace kv {

// Fetches every subscription whose copy is missing or was last fetched (or tried) more
// than `max_age_seconds` ago, into the cache folder; a failed fetch keeps the last good
// copy. `done` runs on the main loop once all have ended, with whether a copy changed.
// Runs on its own until then.
void fetch_due_subscriptions(const FilterPlaces& places, gint64 max_age_seconds,
                             std::function<void(bool changed)> done);

// Where a subscription fetched from `from` may go on to, when its server answers with
// `location`: an https address, or nothing.
std::string subscription_redirect(const std::string& from, const std::string& location);

inline constexpr gint64 kSubscriptionMaxAge = 24 * 60 * 60;

}  // namespace kv
