#pragma once

#include <webkit2/webkit2.h>

#include <functional>

namespace kv {

// A new engine context on the user's one persistent profile: cookies in SQLite, website
// data in the user's data folder, the HTTP cache in the user's cache folder. Every
// context made here uses the same stores, in this process and in any other copy of the
// program. Session cookies are kept in memory only and end with the program.
WebKitWebContext* new_profile_context();

// A new engine context on a profile of its own that lives in memory only: its cookies,
// website data, cache and credentials are never written, and end with the context. It
// shares nothing with the persistent profile.
WebKitWebContext* new_private_context();

// Deletes every cookie and all website data (local storage, IndexedDB, cache, ...) of
// the profile through `context`. `done` runs once, with whether the engine managed.
void clear_profile_data(WebKitWebContext* context, std::function<void(bool)> done);

// What the Internet Options program does: tells every running browser to forget its
// cookies and website data, and deletes them from the stores on disk with a context of
// its own. `done` runs once, with whether both steps worked.
void delete_cookies_and_website_data(std::function<void(bool)> done);

// Makes `context` forget its cookies and website data whenever they are deleted as
// above, from this process or from another one.
void follow_website_data_deletion(WebKitWebContext* context);

}  // namespace kv
