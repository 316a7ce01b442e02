#pragma once

#include <string>

namespace kv {

// The profile (cookies, history, website data, settings) is the user's alone: its
// folders are 0700 and its files 0600, whatever the umask, and a copy left readable by
// others by an older run is tightened when next used. Entries owned by someone else are
// left as they are.

// Makes `path` a folder (with its parents) or tightens the one there; false when it
// could not be made.
bool make_private_folder(const std::string& path);

// Makes an empty file at `path`, or tightens the one there, before a library creates it
// with its own mode. Never follows a link at `path`.
void make_private_file(const std::string& path);

// The same for an SQLite database and the journal files beside it, which SQLite
// creates with the database's own mode.
void make_private_database(const std::string& path);

}  // namespace kv
